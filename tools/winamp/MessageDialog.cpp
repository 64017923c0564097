// Shows a failure of the player adapter as a small dialog, where no desktop notification
// can: liedspur-meldung HEADLINE DETAIL [LIST]. LIST is a file of failures, one headline a
// line, the first one this dialog's own; failures that come while the dialog is open are
// added to it, and the dialog shows them too.

#include "platform/linux/Translations.h"
#include "ui/UiFont.h"

#include <QApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QMessageBox>

namespace {

void showList(QMessageBox& box, const QString& detail, const QString& list) {
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList failures =
        QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (failures.size() < 2)
        return;
    const qsizetype others = failures.size() - 1;
    box.setInformativeText(detail + QStringLiteral("\n\nUnd %1 %2")
                                        .arg(others)
                                        .arg(others == 1 ? QStringLiteral("weiterer Fehler.")
                                                         : QStringLiteral("weitere Fehler.")));
    box.setDetailedText(failures.join(QLatin1Char('\n')));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    liedspur::installGermanTranslations(application);
    application.setFont(liedspur::dialogFont());
    const QStringList arguments = application.arguments();
    const QString detail = arguments.value(2);
    const QString list = arguments.value(3);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Liedspur"),
                    arguments.value(1, QStringLiteral("Audacious antwortet nicht")),
                    QMessageBox::Ok);
    box.setInformativeText(detail);
    QFileSystemWatcher watcher;
    if (!list.isEmpty()) {
        watcher.addPath(list);
        QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &box,
                         [&] { showList(box, detail, list); });
        showList(box, detail, list);
    }
    return box.exec() == QMessageBox::Ok ? 0 : 1;
}
