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

TEST(FileOpening, KeepsTheBytesOfNamesFiltersInAnyCaseAndOpensTheFolderOfAFullPath) {
    testing::TempDir share;
    const std::string latin1 = "Caf\xE9"; // a name from an old disk, not UTF-8
    share.makeDirectory(latin1 + "/CD 1");
    share.makeDirectory("alt");
    share.write("WINAMP.EXE", "x");
    share.write("liesmich.txt", "x");

    FileDialogRequest network;
    network.initialFolder = share.path() + "/";
    network.fileName = "Bitte Nicht Ändern !";
    network.acceptNonExisting = true;
    FileOpenDialog folders(network);
    // Folders first, then files, each in name order.
    EXPECT_EQ(entries(folders),
              (QStringList{"alt", QStringLiteral("Caf\uFFFD"), "liesmich.txt", "WINAMP.EXE"}));
    folders.openEntry(entry(folders, QStringLiteral("Caf\uFFFD")));
    EXPECT_EQ(folders.folder(), share.file(latin1) + "/");
    EXPECT_EQ(entries(folders), QStringList{"CD 1"});
    folders.openNamed();
    EXPECT_EQ(folders.result(), QDialog::Accepted);
    EXPECT_EQ(folders.chosen(), share.file(latin1) + "/Bitte Nicht Ändern !");

    FileDialogRequest player;
    player.filterLabel = QStringLiteral("WinAmp.Exe");
    player.filterFileName = QStringLiteral("winamp.exe");
    player.initialFolder = "/";
    player.fileName = share.file("alt/fehlt.exe");
    FileOpenDialog players(player);
    EXPECT_EQ(players.folder(), share.file("alt/"));
    players.openNamed(); // a file that does not exist is not taken
    EXPECT_NE(players.result(), QDialog::Accepted);
    ASSERT_TRUE(players.showFolder(share.path()));
    EXPECT_EQ(entries(players), (QStringList{"alt", QStringLiteral("Caf\uFFFD"), "WINAMP.EXE"}));
    players.openEntry(entry(players, "WINAMP.EXE"));
    EXPECT_EQ(players.chosen(), share.file("WINAMP.EXE"));
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
