#include "platform/Platform.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixProcessStarter.h"
#include "platform/linux/QtDialogs.h"
#include "platform/linux/Translations.h"
#include "ui/AppIcon.h"
#include "ui/SearchWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    liedspur::installGermanTranslations(application);
    application.setWindowIcon(liedspur::appIcon());

    liedspur::QtDialogs dialogs;
    liedspur::PosixProcessStarter processes;
    liedspur::LinuxSystem system;
    const liedspur::Platform platform{dialogs, processes, system};

    liedspur::Search window(platform, {});
    window.show();
    return application.exec();
}
