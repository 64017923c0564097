// Times an index run over a generated tree against `find` and a plain directory walk of
// the same tree in the same run, warm cache; and, in its latency mode, against `find` on a
// share with a 2 ms round trip, mounted afresh for every run. Prints `name: value` lines.
//
//   scan_bench [--local | --latency] [folders of the local tree]
//
// The latency mode needs FUSE, sshfs and sftp-server (tools/install-deps.sh).

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
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace liedspur;
using namespace liedspur::bench;

constexpr int runs = 3;
constexpr int latencyRuns = 5;
// About the share the figures of the latency mode were first taken on: 20,320 files in
// 2,032 folders.
constexpr int latencyFolders = 2032;

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

// A run through the index window, with the longest time the event queue went unserved
// during it, as a 1 ms timer sees it.
class WindowRun {
public:
    WindowRun(const std::string& appDirectory, const std::string& start)
        : m_platform(appDirectory, true), m_window(m_platform.platform()) {
        m_window.show();
        const Status chosen =
            m_window.findChild<FolderList*>(QStringLiteral("Dir_index"))->setPath(start);
        if (!chosen) {
            std::fprintf(stderr, "%s\n", chosen.error().description.c_str());
            std::exit(1);
        }
        m_start = m_window.findChild<QPushButton*>(QStringLiteral("cmd_NewIndex"));
        m_probe.setInterval(1);
        QObject::connect(&m_probe, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longestGap =
                std::max(longestGap, std::chrono::duration<double>(now - m_lastServed).count());
            m_lastServed = now;
        });
    }

    void operator()() {
        m_probe.start();
        m_lastServed = Clock::now();
        m_start->click();
        m_probe.stop();
    }

    QListView* list() {
        return m_window.findChild<QListView*>(QStringLiteral("lst_GefundeneFiles"));
    }

    double longestGap = 0;

private:
    BenchPlatform m_platform;
    NewIndex m_window;
    QPushButton* m_start = nullptr;
    QTimer m_probe;
    Clock::time_point m_lastServed;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void localFigures(const std::string& work, int folders, Report& report) {
    const std::string root = work + "/baum";
    const std::string appDirectory = work + "/programm";
    std::filesystem::create_directories(appDirectory);
    generateTree(root, folders);

    const std::string find = "find '" + root + "' -name '*.mp3'";
    const std::string output = work + "/find-output";
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
        medianSeconds(runs, [&] { coreRun.run(appDirectory, root, quiet).ignoreError(); });

    WindowRun windowRun(appDirectory, root);
    const double windowSeconds = medianSeconds(runs, std::ref(windowRun));
    const double gapWithList = windowRun.longestGap;

    QListView* list = windowRun.list();
    QAbstractItemModel* model = list->model();
    list->setModel(nullptr);
    windowRun.longestGap = 0;
    const double withoutListSeconds = medianSeconds(runs, std::ref(windowRun));
    list->setModel(model);

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
    report.add("longest_event_gap_without_list_ms", windowRun.longestGap * 1000, 1);
}

// A share with a 2 ms round trip: sshfs to this machine's sftp-server through a relay
// that delays each direction by 1 ms.
class LatencyShare {
public:
    LatencyShare(std::string source, std::string mountPoint)
        : m_source(std::move(source)), m_mountPoint(std::move(mountPoint)) {
        std::filesystem::create_directories(m_mountPoint);
    }

    // Why the share cannot be had on this machine, or empty.
    static std::string missing() {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "no usable /dev/fuse";
        if (std::system("command -v sshfs > /dev/null 2>&1") != 0)
            return "sshfs is not installed";
        if (::access(sftpServer, X_OK) != 0)
            return std::string(sftpServer) + " is not installed";
        if (::access(relay().c_str(), X_OK) != 0)
            return "latency_relay is not built";
        return {};
    }

    // Mounted afresh, so that no cache of an earlier run answers.
    bool mount() const {
        const std::string command = "sshfs -o ssh_command='" + relay() +
                                    " 1000' 'localhost:" + m_source + "' '" + m_mountPoint + "'";
        return std::system(command.c_str()) == 0;
    }
    void unmount() const {
        const std::string command =
            "fusermount3 -u '" + m_mountPoint + "' 2>/dev/null || umount '" + m_mountPoint + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "cannot unmount %s\n", m_mountPoint.c_str());
    }
    const std::string& path() const { return m_mountPoint; }

private:
    static constexpr const char* sftpServer = "/usr/lib/openssh/sftp-server";
    static std::string relay() {
        return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() +
               "/latency_relay";
    }

    std::string m_source;
    std::string m_mountPoint;
};

void latencyFigures(const std::string& work, Report& report) {
    if (const std::string why = LatencyShare::missing(); !why.empty()) {
        std::printf("latency mode skipped: %s\n", why.c_str());
        return;
    }
    const std::string root = work + "/freigabe";
    const std::string appDirectory = work + "/programm";
    std::filesystem::create_directories(appDirectory);
    generateTree(root, latencyFolders);
    const LatencyShare share(root, work + "/netz");
    if (!share.mount()) {
        std::printf("latency mode skipped: the share could not be mounted\n");
        return;
    }
    share.unmount();

    const std::string find =
        "find '" + share.path() + "' -name '*.mp3' > '" + work + "/find-output'";
    QuietProgress quiet;
    IndexRun coreRun;
    std::vector<double> findTimes, coreTimes;
    // Interleaved, each on a fresh mount.
    const auto onFreshMount = [&](const std::function<void()>& work) {
        if (!share.mount()) {
            std::printf("latency mode stopped: the share could not be mounted again\n");
            std::exit(1);
        }
        const double seconds = secondsOf(work);
        share.unmount();
        return seconds;
    };
    for (int run = 0; run < latencyRuns; ++run) {
        findTimes.push_back(onFreshMount([&] {
            if (std::system(find.c_str()) != 0)
                std::fprintf(stderr, "find failed\n");
        }));
        coreTimes.push_back(
            onFreshMount([&] { coreRun.run(appDirectory, share.path(), quiet).ignoreError(); }));
    }
    if (!share.mount())
        return;
    WindowRun windowRun(appDirectory, share.path());
    const double windowSeconds = secondsOf(std::ref(windowRun));
    share.unmount();

    report.add("latency_round_trip_ms", 2, 0);
    report.add("latency_folders", latencyFolders, 0);
    report.add("latency_songs_found", double(coreRun.counters().filesFound), 0);
    report.add("find_latency_seconds", median(findTimes), 3);
    report.add("scan_latency_seconds", median(coreTimes), 3);
    report.add("scan_latency_window_seconds", windowSeconds, 3);
    report.add("scan_latency_vs_find", median(coreTimes) / median(findTimes));
    report.add("longest_event_gap_latency_ms", windowRun.longestGap * 1000, 1);
}

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    bool local = true;
    bool latency = true;
    int folders = 20000;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--local")
            latency = false;
        else if (argument == "--latency")
            local = false;
        else
            folders = std::max(1, std::atoi(argv[i]));
    }

    ScratchDirectory work;
    if (work.path().empty()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    Report report;
    if (local)
        localFigures(work.path(), folders, report);
    if (latency)
        latencyFigures(work.path(), report);
    report.print();
    return 0;
}
