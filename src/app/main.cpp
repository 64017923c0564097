#include "platform/linux/Translations.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    liedspur::installGermanTranslations(application);
    QLabel placeholder(QStringLiteral("Liedspur: das Hauptfenster folgt in Kürze."));
    placeholder.setWindowTitle(QStringLiteral("Liedspur "));
    placeholder.setMargin(24);
    placeholder.show();
    return application.exec();
}
