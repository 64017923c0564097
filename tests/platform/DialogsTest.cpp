#include "platform/linux/FileOpenDialog.h"
#include "platform/linux/QtDialogs.h"

#include "TempDir.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace liedspur {
namespace {

QStringList entries(const FileOpenDialog& dialog) {
    QStringList shown;
    const auto* list = dialog.findChild<QListWidget*>();
    for (int row = 0; row < list->count(); ++row)
        shown << list->item(row)->text();
    return shown;
}

QListWidgetItem* entry(const FileOpenDialog& dialog, const QString& text) {
    return dialog.findChild<QListWidget*>()->findItems(text, Qt::MatchExactly).value(0);
}

class FileOpening : public ::testing::Test {
protected:
    void SetUp() override {
        share.makeDirectory(latin1 + "/CD 1");
        share.makeDirectory("alt");
        share.write("WINAMP.EXE", "x");
        share.write("liesmich.txt", "x");
    }

    const std::string latin1 = "Caf\xE9"; // a name from an old disk, not UTF-8
    testing::TempDir share;
};

TEST_F(FileOpening, EntersAFolderWhoseNameIsNotUtf8AndKeepsItsBytes) {
    FileDialogRequest network;
    network.initialFolder = share.path() + "/";
    network.fileName = "Bitte Nicht Ändern !";
    network.acceptNonExisting = true;
    FileOpenDialog dialog(network);
    // Folders first, then files, each in name order.
    EXPECT_EQ(entries(dialog),
              (QStringList{"alt", QStringLiteral("Caf\uFFFD"), "liesmich.txt", "WINAMP.EXE"}));

    dialog.openEntry(entry(dialog, QStringLiteral("Caf\uFFFD")));
    EXPECT_EQ(dialog.folder(), share.file(latin1) + "/");
    EXPECT_EQ(entries(dialog), QStringList{"CD 1"});
    dialog.openNamed();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), share.file(latin1) + "/Bitte Nicht Ändern !");
}

TEST_F(FileOpening, TheFilterShowsOnlyItsFileInAnyCaseAndAFullPathOpensItsFolder) {
    FileDialogRequest player;
    player.filterLabel = QStringLiteral("WinAmp.Exe");
    player.filterFileName = QStringLiteral("winamp.exe");
    player.initialFolder = "/";
    player.fileName = share.file("alt/fehlt.exe");
    FileOpenDialog dialog(player);
    EXPECT_EQ(dialog.folder(), share.file("alt/"));

    dialog.openNamed(); // a file that does not exist is not taken
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.showFolder(share.path()));
    EXPECT_EQ(entries(dialog), (QStringList{"alt", QStringLiteral("Caf\uFFFD"), "WINAMP.EXE"}));
    dialog.openEntry(entry(dialog, "WINAMP.EXE"));
    EXPECT_EQ(dialog.chosen(), share.file("WINAMP.EXE"));
}

TEST(MessageBoxes, AreWideEnoughForTheirTitles) {
    const QString title = QStringLiteral("WinAmp.exe nicht gefunden ! Bitte auswählen");
    int width = 0;
    QTimer::singleShot(0, [&width] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            width = box->width();
            box->done(QMessageBox::Cancel);
        }
    });
    QtDialogs dialogs;
    dialogs.showMessage(
        {QStringLiteral("Kurz !"), title, MessageButtons::RetryCancel, MessageIcon::None});
    // A title bar's font is bold, and its icon and buttons need room besides.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    EXPECT_GT(width, QFontMetrics(titleFont).horizontalAdvance(title) + 90);
}

} // namespace
} // namespace liedspur
