#include "SearchWindowFixture.h"

#include "ui/ResultListView.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace liedspur::testing {
namespace {

// The visible window of this object name; there may be one at most.
QWidget* topLevel(const char* name) {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) {
            EXPECT_EQ(found, nullptr) << "two windows " << name;
            found = widget;
        }
    }
    return found;
}

QString label(QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

class InfoWindows : public SearchWindowFixture {
protected:
    void openInfo() {
        window->findChild<QAction*>("info")->trigger();
        ASSERT_TRUE(waitUntilActive(topLevel("FileInfo")));
    }
};

TEST_F(InfoWindows, FileInfoShowsTheCountLinesAsReadAndClosingItReloads) {
    dir.writeIndex({"/a/1.mp3", "/a/2.mp3", "/b/3.mp3"}, {"/a/", "/b/"});
    dir.write("files.dat", "  3 \r\n");
    start();
    click("cmd_Alle");
    openInfo();
    QWidget* info = topLevel("FileInfo");
    EXPECT_EQ(label(info, "lbl_files"), "Anzahl Mp3-Files =   3         Anzahl Ordner =  2 ");
    EXPECT_EQ(label(info, "lbl_AmpPath"),
              QString::fromStdString("Path zu WinAmp.exe =  " + player() + " "));
    // Opening it again brings the same window to the front.
    window->findChild<QAction*>("info")->trigger();
    EXPECT_EQ(topLevel("FileInfo"), info);

    dir.writeIndex({"/a/1.mp3", "/a/2.mp3"}, {"/a/"});
    const int before = window->activations();
    info->close();
    EXPECT_TRUE(waitUntilActive(window.get()));
    settle();
    EXPECT_EQ(window->activations(), before + 1);
    // The list keeps what it showed.
    EXPECT_EQ(window->findChild<ResultListView*>("lv_1")->count(), 3u);
    openInfo();
    EXPECT_EQ(label(topLevel("FileInfo"), "lbl_files"),
              "Anzahl Mp3-Files =  2         Anzahl Ordner =  1 ");
}

TEST_F(InfoWindows, ClosingFileInfoAfterTheMainWindowBringsItBackNew) {
    dir.writeIndex({"/a/1.mp3"}, {"/a/"});
    start();
    click("cmd_Alle");
    openInfo();
    window->close();
    topLevel("FileInfo")->close();
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(list().count(), 0u);
    EXPECT_EQ(searchField().text(), "SuchText hier eingeben");
    // The columns as designed, not as the listing fitted them.
    EXPECT_EQ(list().header()->sectionSize(0), twipsToPixels(4000));
    EXPECT_EQ(list().header()->sectionSize(1), twipsToPixels(4000));
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(655));
}

TEST_F(InfoWindows, KeyBindingsOpenOnceAndTakeNoKeys) {
    dir.writeIndex({}, {});
    start();
    window->findChild<QAction*>("help")->trigger();
    window->findChild<QAction*>("help")->trigger();
    QWidget* help = topLevel("frm_help");
    ASSERT_NE(help, nullptr);
    QTest::keyClick(help, Qt::Key_Return);
    QTest::keyClick(help, Qt::Key_Backspace);
    EXPECT_TRUE(help->isVisible());
}

} // namespace
} // namespace liedspur::testing
