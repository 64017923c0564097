#include "platform/linux/QtDialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace liedspur {
namespace {

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
