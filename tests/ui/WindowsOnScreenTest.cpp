#include "SearchWindowFixture.h"

#include "ui/NewIndex.h"
#include "ui/Twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QHeaderView>
#include <QMenuBar>

namespace liedspur::testing {
namespace {

// The program's windows besides the list, with what offscreen cannot show: frames,
// placement, focus and the menu bar. The same checks run offscreen, on X11 and on Wayland.
class WindowsOnScreen : public SearchWindowFixture {
protected:
    void SetUp() override {
        dir.writeIndex({"/a/1.mp3", "/a/2.mp3", "/b/3.mp3"}, {"/a/", "/b/"});
        dir.write("files.dat", "  3 \r\n");
        start();
    }
    // FileInfo, open and active: it reads what it shows when it becomes active.
    QWidget* activeInfo() {
        QWidget* info = openOwn("info", "FileInfo");
        EXPECT_TRUE(info && waitUntilActive(info));
        return info;
    }
    static QString label(QWidget* window, const char* name) {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
};

// A caption or indicator larger than its element would be cut.
void expectEveryCaptionWhole(const QWidget& window) {
    for (const QWidget* element : window.findChildren<QWidget*>()) {
        if (!qobject_cast<const QAbstractButton*>(element) && !qobject_cast<const QLabel*>(element))
            continue;
        const QSize hint = element->sizeHint();
        EXPECT_TRUE(hint.width() <= element->width() && hint.height() <= element->height())
            << window.objectName().toStdString() << "." << element->objectName().toStdString()
            << ": needs " << hint.width() << "x" << hint.height() << ", has " << element->width()
            << "x" << element->height();
    }
}

// The frame's middle where it was meant to be, where the program may place its windows.
void expectFrameCentredOn(const QWidget& window, const QRect& area) {
    if (!placesWindows())
        return;
    const QPoint offset = window.frameGeometry().center() - area.center();
    EXPECT_LE(offset.manhattanLength(), 2)
        << window.objectName().toStdString() << " is off by " << offset.x() << "," << offset.y();
}

TEST_F(WindowsOnScreen, TheMainWindowStartsScreenWideAndTheSmallOnesCentredAllCaptionsWhole) {
    EXPECT_EQ(searchField().selectedText(), "SuchText hier eingeben");
    EXPECT_EQ(QApplication::focusWidget(), &searchField());
    EXPECT_FALSE(folderMode().isChecked() || element<QCheckBox>("chk_genau")->isChecked());
    if (placesWindows()) {
        EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(0, 0));
    }
    EXPECT_EQ(window->frameGeometry().width(), window->screen()->geometry().width());
    expectEveryCaptionWhole(*window);
    const QRect owner = window->frameGeometry();
    QWidget* info = openOwn("info", "FileInfo");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->size(), twipsSize(8535, 1980));
    expectFrameCentredOn(*info, owner);
    expectEveryCaptionWhole(*info);

    QWidget* help = openOwn("help", "frm_help");
    ASSERT_TRUE(help);
    // It grows only where a wider font needs it.
    EXPECT_EQ(help->height(), twipsSize(6120, 3240).height());
    EXPECT_GE(help->width(), twipsSize(6120, 3240).width());
    expectFrameCentredOn(*help, window->screen()->geometry());
    expectEveryCaptionWhole(*help);
    // Opened again it is the same window; it takes no keys.
    EXPECT_EQ(openOwn("help", "frm_help"), help);
    QTest::keyClick(help, Qt::Key_Return);
    QTest::keyClick(help, Qt::Key_Backspace);
    EXPECT_TRUE(help->isVisible());
    // Closed, File-Info gives the focus back to the element that had it.
    help->close();
    info->close();
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == &searchField(); }));
}

TEST_F(WindowsOnScreen, FileInfoShowsTheCountsAsReadAndClosedReloadsOrBringsBackTheMainWindow) {
    click("cmd_Alle");
    QWidget* info = activeInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(label(info, "lbl_files"), "Anzahl Mp3-Files =   3         Anzahl Ordner =  2 ");
    EXPECT_EQ(label(info, "lbl_AmpPath"),
              QString::fromStdString("Path zu WinAmp.exe =  " + player() + " "));
    EXPECT_EQ(openOwn("info", "FileInfo"), info);
    // Closed, it has the index reloaded, which it shows when opened again.
    dir.writeIndex({"/a/1.mp3", "/a/2.mp3"}, {"/a/"});
    info->close();
    EXPECT_TRUE(waitUntilActive(window.get()));
    settle();
    info = activeInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(label(info, "lbl_files"), "Anzahl Mp3-Files =  2         Anzahl Ordner =  1 ");
    // Closed after the main window, it brings that back new, its columns as designed.
    window->close();
    info->close();
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(list().count(), 0u);
    EXPECT_EQ(searchField().text(), "SuchText hier eingeben");
    for (const auto& [column, twips] : {std::pair{0, 4000}, {1, 4000}, {2, 655}})
        EXPECT_EQ(list().header()->sectionSize(column), twipsToPixels(twips)) << column;
}

TEST_F(WindowsOnScreen, TheIndexWindowIsCentredWholeAndStaysOpenOnEscape) {
    NewIndex index(fake.platform(), window.get());
    index.show();
    ASSERT_TRUE(waitUntilActive(&index));
    settle();
    EXPECT_EQ(index.size(), twipsSize(11640, 7140));
    expectFrameCentredOn(index, window->screen()->availableGeometry());
    expectEveryCaptionWhole(index);
    QTest::keyClick(&index, Qt::Key_Escape);
    QTest::keyClick(index.focusWidget(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(index.isVisible());
}

TEST_F(WindowsOnScreen, AltIOpensTheIndexWindowWithTheMenuBarAtRest) {
    QAction* highlighted = window->menuBar()->actions().value(1);
    // The user looks at the index window for a moment, longer than a click's highlight.
    inIndexWindow = [&] {
        QTest::qWait(300);
        highlighted = window->menuBar()->activeAction();
    };
    QTest::keyPress(window.get(), Qt::Key_Alt);
    QTest::keyClick(window.get(), Qt::Key_I, Qt::AltModifier);
    QTest::keyRelease(window.get(), Qt::Key_Alt);
    EXPECT_TRUE(QTest::qWaitFor([this] { return indexWindows == 1; }));
    EXPECT_EQ(highlighted, nullptr);
}

} // namespace
} // namespace liedspur::testing
