// Times an index run over a generated tree against `find` and a plain directory walk of
// the same tree in the same run, warm cache. Prints `name: value` lines.

#include "BenchPlatform.h"
#include "BenchSupport.h"

#include "index/IndexRun.h"
#include "ui/FolderList.h"
#include "ui/NewIndex.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace liedspur;
using namespace liedspur::bench;

constexpr int runs = 3;

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

    ScratchDirectory work;
    if (work.path().empty()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const std::string root = work.path() + "/baum";
    const std::string appDirectory = work.path() + "/programm";
    std::filesystem::create_directories(appDirectory);
    generateTree(root, folders);

    const std::string find = "find '" + root + "' -name '*.mp3'";
    const std::string output = work.path() + "/find-output";
    medianCommandSeconds(1, find, output); // warms the cache
    const double findSeconds = medianCommandSeconds(runs, find, output);

    std::size_t walked = 0;
    const double walkSeconds = medianSeconds(runs, [&] {
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
    const double coreSeconds =
        medianSeconds(runs, [&] { (void)coreRun.run(appDirectory, root, quiet); });

    BenchPlatform platform(appDirectory, true);
    NewIndex window(platform.platform());
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
    const double windowSeconds = medianSeconds(runs, windowRun);
    const double gapWithList = longestGap;

    auto* list = window.findChild<QListView*>(QStringLiteral("lst_GefundeneFiles"));
    QAbstractItemModel* model = list->model();
    list->setModel(nullptr);
    longestGap = 0;
    const double withoutListSeconds = medianSeconds(runs, windowRun);
    list->setModel(model);

    Report report;
    report.add("folders", folders, 0);
    report.add("files", folders * 10.0, 0);
    report.add("songs_found", double(coreRun.counters().filesFound), 0);
    report.add("songs_walked", double(walked), 0);
    report.add("find_seconds", findSeconds, 4);
    report.add("walk_seconds", walkSeconds, 4);
    report.add("scan_core_seconds", coreSeconds, 4);
    report.add("scan_window_seconds", windowSeconds, 4);
    report.add("scan_window_without_list_seconds", withoutListSeconds, 4);
    report.add("scan_core_vs_find", coreSeconds / findSeconds);
    report.add("scan_core_vs_walk", coreSeconds / walkSeconds);
    report.add("scan_window_vs_find", windowSeconds / findSeconds);
    report.add("scan_window_vs_walk", windowSeconds / walkSeconds);
    report.add("list_updating_vs_without", windowSeconds / withoutListSeconds);
    report.add("longest_event_gap_ms", gapWithList * 1000, 1);
    report.add("longest_event_gap_without_list_ms", longestGap * 1000, 1);
    report.print();
    return 0;
}
