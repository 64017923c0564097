#include "platform/Platform.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixProcessStarter.h"
#include "platform/linux/QtDialogs.h"
#include "platform/linux/Translations.h"
#include "ui/NewIndex.h"
#include "ui/SearchWindow.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"

#include <QApplication>
#include <QIcon>

namespace {

int run(int argc, char* argv[]) {
    QApplication application(argc, argv);
    liedspur::installGermanTranslations(application);
    application.setWindowIcon(QIcon(liedspur::windowIconPixmap()));
    // Message boxes and file dialogs in the windows' font, whatever the desktop's default.
    application.setFont(liedspur::dialogFont());

    liedspur::QtDialogs dialogs;
    liedspur::PosixProcessStarter processes;
    liedspur::LinuxSystem system;
    const liedspur::Platform platform{dialogs, processes, system};

    liedspur::Search window(platform, [platform](QWidget* parent) {
        liedspur::NewIndex indexWindow(platform, parent);
        indexWindow.exec();
    });
    window.show();
    return application.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    const int code = run(argc, argv);
    // The windows are gone; workers that a share keeps waiting are left to the kernel.
    liedspur::endProcess(code);
}
