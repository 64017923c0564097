// Times an index run over a generated tree against `find` and a plain directory walk of
// the same tree in the same run, warm cache. Prints `name: value` lines.
#include "index/IndexRun.h"
#include "platform/Platform.h"
#include "ui/FolderList.h"
#include "ui/NewIndex.h"

#include <QApplication>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace liedspur;

double secondsOf(const std::function<void()>& work, int rounds = 3) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

class SilentDialogs : public Dialogs {
public:
    MessageAnswer showMessage(const MessageRequest&) override { return MessageAnswer::Ok; }
    std::optional<std::string> showOpenFile(const FileDialogRequest&) override { return {}; }
};

class NoProcesses : public ProcessStarter {
public:
    std::optional<std::string> start(const LaunchRequest&) override { return "nicht im Test"; }
};

class BenchSystem : public SystemServices {
public:
    explicit BenchSystem(std::string directory) : m_directory(std::move(directory)) {}
    std::string applicationDirectory() override { return m_directory; }
    bool isNetworkPresent() override { return false; }
    std::vector<Drive> drives() override { return {{"/", {}}}; }
    std::string networkFolder() override { return "/mnt/"; }
    void endProgram() override {}

private:
    std::string m_directory;
};

class QuietProgress : public ScanProgress {
public:
    void yield() override {}
    bool cancelRequested() override { return false; }
    bool includeSubfolders() override { return true; }
    void folderListed(std::string_view, const ScanCounters&) override {}
    void songFound(std::string_view, const ScanCounters&) override {}
    void folderEntered(std::string_view, const ScanCounters&) override {}
    void stoppedOnCancel() override {}
};

// `folders` folders in two levels, each holding 8 songs, one ".MP3" and one ".jpg".
void generateTree(const std::string& root, int folders) {
    const int top = std::max(1, folders / 100);
    int made = 0;
    for (int t = 0; t < top && made < folders; ++t) {
        const std::string artist = root + "/Interpret " + std::to_string(t);
        std::vector<std::string> here{artist};
        ++made;
        for (int a = 1; a < folders / top && made < folders; ++a, ++made)
            here.push_back(artist + "/Album " + std::to_string(a));
        for (const auto& folder : here) {
            std::filesystem::create_directories(folder);
            for (int s = 0; s < 8; ++s)
                std::ofstream(folder + "/" + std::to_string(s) + " - Ein Titel.mp3");
            std::ofstream(folder + "/Laut.MP3");
            std::ofstream(folder + "/cover.jpg");
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int folders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;

    QTemporaryDir work;
    const std::string root = work.filePath(QStringLiteral("baum")).toStdString();
    const std::string appDirectory = work.filePath(QStringLiteral("programm")).toStdString();
    std::filesystem::create_directories(appDirectory);
    generateTree(root, folders);

    auto runFind = [&] {
        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        find.start(QStringLiteral("find"), {QString::fromStdString(root), QStringLiteral("-name"),
                                            QStringLiteral("*.mp3")});
        find.waitForFinished(-1);
    };
    runFind(); // warms the cache
    const double findSeconds = secondsOf(runFind);

    std::size_t walked = 0;
    const double walkSeconds = secondsOf([&] {
        walked = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            const std::string& path = entry.path().native();
            if (entry.is_regular_file() && path.size() >= 4 &&
                path.compare(path.size() - 4, 4, ".mp3") == 0)
                ++walked;
        }
    });

    QuietProgress quiet;
    IndexRun coreRun;
    const double coreSeconds = secondsOf([&] { (void)coreRun.run(appDirectory, root, quiet); });

    SilentDialogs dialogs;
    NoProcesses processes;
    BenchSystem system(appDirectory);
    NewIndex window(Platform{dialogs, processes, system});
    window.show();
    (void)window.findChild<FolderList*>(QStringLiteral("Dir_index"))->setPath(root);
    auto* start = window.findChild<QPushButton*>(QStringLiteral("cmd_NewIndex"));

    // The longest time the event queue went unserved during a run, seen by a 1 ms timer.
    double longestGap = 0;
    Clock::time_point lastServed;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, std::chrono::duration<double>(now - lastServed).count());
        lastServed = now;
    });
    auto windowRun = [&] {
        probe.start();
        lastServed = Clock::now();
        start->click();
        probe.stop();
    };
    const double windowSeconds = secondsOf(windowRun);
    const double gapWithList = longestGap;

    auto* list = window.findChild<QListView*>(QStringLiteral("lst_GefundeneFiles"));
    QAbstractItemModel* model = list->model();
    list->setModel(nullptr);
    longestGap = 0;
    const double withoutListSeconds = secondsOf(windowRun);
    list->setModel(model);

    std::printf("folders: %d\n", folders);
    std::printf("files: %d\n", folders * 10);
    std::printf("songs_found: %llu\n",
                static_cast<unsigned long long>(coreRun.counters().filesFound));
    std::printf("songs_walked: %zu\n", walked);
    std::printf("find_seconds: %.4f\n", findSeconds);
    std::printf("walk_seconds: %.4f\n", walkSeconds);
    std::printf("scan_core_seconds: %.4f\n", coreSeconds);
    std::printf("scan_window_seconds: %.4f\n", windowSeconds);
    std::printf("scan_window_without_list_seconds: %.4f\n", withoutListSeconds);
    std::printf("scan_core_vs_find: %.3f\n", coreSeconds / findSeconds);
    std::printf("scan_core_vs_walk: %.3f\n", coreSeconds / walkSeconds);
    std::printf("scan_window_vs_find: %.3f\n", windowSeconds / findSeconds);
    std::printf("scan_window_vs_walk: %.3f\n", windowSeconds / walkSeconds);
    std::printf("list_updating_vs_without: %.3f\n", windowSeconds / withoutListSeconds);
    std::printf("longest_event_gap_ms: %.1f\n", gapWithList * 1000);
    std::printf("longest_event_gap_without_list_ms: %.1f\n", longestGap * 1000);
    return 0;
}
