// Shows a failure of the player adapter as a small dialog, where no desktop notification
// can: liedspur-meldung HEADLINE DETAIL

#include "platform/linux/Translations.h"
#include "ui/UiFont.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    liedspur::installGermanTranslations(application);
    application.setFont(liedspur::dialogFont());
    const QStringList arguments = application.arguments();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Liedspur"),
                    arguments.value(1, QStringLiteral("Audacious antwortet nicht")),
                    QMessageBox::Ok);
    box.setInformativeText(arguments.value(2));
    return box.exec() == QMessageBox::Ok ? 0 : 1;
}
