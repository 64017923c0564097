// Times the player adapter against a bare dbus-send of the same command to the same
// running Audacious: one add command, a folder of 5,000 songs (against the player reading
// the folder itself), and 200 add commands started at once. Then the "+" key over the
// whole list through the program's own launcher, from the key to the last song in the
// player's playlist. The player runs headless on a session bus of its own.

#include "BenchPlatform.h"
#include "BenchSupport.h"
#include "Command.h"
#include "PlayerSession.h"

#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "platform/linux/PosixProcessStarter.h"
#include "ui/ResultListView.h"
#include "ui/SearchWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace liedspur;
using namespace liedspur::bench;
using liedspur::testing::PlayerSession;

namespace {

constexpr int runs = 41;

// Runs a program to its end, as the program's launcher would start it.
bool runProgram(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Starts a program without waiting for it.
void startProgram(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
}

// Seconds from `start` on an empty playlist until the playlist holds `length` songs.
double secondsUntilPlaylistHolds(std::size_t length, const std::function<void()>& start) {
    runProgram({"/usr/bin/audtool", "playlist-clear"});
    const auto begin = std::chrono::steady_clock::now();
    start();
    while (PlayerSession::playlistLength().value_or(0) < length &&
           std::chrono::steady_clock::now() - begin < std::chrono::minutes(2))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    // Every start above has ended, so that none is left running into the next figure.
    while (::waitpid(-1, nullptr, 0) > 0) {
    }
    return seconds;
}

// The playlist's titles in one call; the player names a song without tags by its file.
std::string playlistTitles() {
    return liedspur::testing::run("audtool", {"playlist-display"}).output;
}

std::vector<std::string> busCommand(const char* method, const std::string& argument) {
    return {"/usr/bin/dbus-send",
            "--session",
            "--print-reply=literal",
            "--dest=org.atheme.audacious",
            "/org/atheme/audacious",
            std::string("org.atheme.audacious.") + method,
            argument};
}

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += indexfiles::lineEnd;
    }
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000;
    PlayerSession session;
    if (!session.missing().empty()) {
        std::printf("skipped: %s\n", session.missing().c_str());
        return 0;
    }

    // The songs: one short tone under many names with blanks and a "#".
    namespace fs = std::filesystem;
    const std::string folder = session.folder() + "/Musik mit Blank #1/";
    fs::create_directories(folder);
    if (!PlayerSession::makeTone(folder + "Ton.mp3")) {
        std::fprintf(stderr, "sox made no MP3\n");
        return 1;
    }
    std::vector<std::string> songs;
    for (std::size_t i = 1; i <= rows; ++i) {
        songs.push_back(folder + "Lied " + std::to_string(i) + ".mp3");
        fs::create_hard_link(folder + "Ton.mp3", songs.back());
    }

    Report report;
    // One add command after another, the adapter's and a bare one alternating.
    const std::string adapter = LIEDSPUR_ADAPTER;
    const std::vector<std::string> adapterAdd = {adapter, "/add", songs[0]};
    const std::vector<std::string> busAdd =
        busCommand("AddUrl", "string:" + adapter::fileUri(songs[0]));
    bool allAdded = runProgram(adapterAdd) && runProgram(busAdd);
    std::vector<double> adapterTimes;
    std::vector<double> busTimes;
    for (int run = 0; run < runs; ++run) {
        adapterTimes.push_back(medianSeconds(1, [&] { allAdded &= runProgram(adapterAdd); }));
        busTimes.push_back(medianSeconds(1, [&] { allAdded &= runProgram(busAdd); }));
    }
    if (!allAdded) {
        std::fprintf(stderr, "an add command failed\n");
        return 1;
    }
    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double adapterMilliseconds = median(adapterTimes) * 1000;
    const double busMilliseconds = median(busTimes) * 1000;
    report.add("adapter_add_ms", adapterMilliseconds);
    report.add("dbus_send_add_ms", busMilliseconds);
    report.add("adapter_add_vs_dbus_send", adapterMilliseconds / busMilliseconds, 2);

    // A folder of 5,000 songs, and a song added right after it through the program's own
    // launcher.
    constexpr std::size_t folderSongs = 5000;
    const std::string big = session.folder() + "/Ordner mit 5000/";
    fs::create_directories(big);
    for (std::size_t i = 1; i <= folderSongs; ++i) {
        const std::string number = std::to_string(10000 + i).substr(1);
        fs::create_hard_link(folder + "Ton.mp3", big + "Lied " + number + ".mp3");
    }
    PosixProcessStarter launcher;
    const double folderAdapter = secondsUntilPlaylistHolds(folderSongs + 1, [&] {
        for (const std::string& target : {big, songs[0]})
            launcher.start({LaunchRequest::Target::Player, adapter, {"/add", target}})
                .ignoreError();
    });
    const std::string titles = playlistTitles();
    const bool inOrder = titles.find("Lied 0001") < titles.find("Lied 0002") &&
                         titles.find("Lied 4999") < titles.find("Lied 5000") &&
                         titles.find("Lied 5000") < titles.find("Lied 1 ");
    const double folderPlayer = secondsUntilPlaylistHolds(folderSongs, [&] {
        startProgram(busCommand("AddList", "array:string:" + adapter::fileUri(big)));
    });
    report.add("folder_5000_seconds", folderAdapter);
    report.add("folder_5000_vs_player_reading_it", folderAdapter / folderPlayer, 2);
    report.add("folder_5000_then_song_in_order", inOrder ? 1 : 0, 0);

    // 200 add commands started at once, against as many bare ones.
    const std::size_t calls = std::min<std::size_t>(200, rows);
    const double concurrentAdapter = secondsUntilPlaylistHolds(calls, [&] {
        for (std::size_t i = 0; i < calls; ++i)
            startProgram({adapter, "/add", songs[i]});
    });
    const double concurrentBus = secondsUntilPlaylistHolds(calls, [&] {
        for (std::size_t i = 0; i < calls; ++i)
            startProgram(busCommand("AddUrl", "string:" + adapter::fileUri(songs[i])));
    });
    report.add("concurrent_" + std::to_string(calls) + "_seconds", concurrentAdapter);
    report.add("concurrent_" + std::to_string(calls) + "_vs_dbus_send",
               concurrentAdapter / concurrentBus, 2);

    // The main window over an index of these songs, with the real launcher.
    ScratchDirectory directory;
    const auto write = [&](std::string_view name, const std::string& bytes) {
        std::ofstream(indexfiles::path(directory.path(), name), std::ios::binary) << bytes;
    };
    write(indexfiles::songList, crlfLines(songs));
    write(indexfiles::songCount, crlfLines({formatCountLine(rows)}));
    write(indexfiles::folderList, crlfLines({folder}));
    write(indexfiles::folderCount, crlfLines({formatCountLine(1)}));
    write(indexfiles::settings, crlfLines({adapter}));
    BenchDialogs dialogs(false);
    BenchSystem system(directory.path());
    Search window({dialogs, launcher, system}, [](QWidget*) {});
    window.show();
    while (window.activations() < 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window.findChild<QPushButton*>("cmd_Alle")->click();
    auto& list = *window.findChild<ResultListView*>("lv_1");

    runProgram({"/usr/bin/audtool", "playlist-clear"});
    const auto begin = std::chrono::steady_clock::now();
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, QStringLiteral("+"));
    QApplication::sendEvent(&list, &plus);
    while (PlayerSession::playlistLength().value_or(0) < rows &&
           std::chrono::steady_clock::now() - begin < std::chrono::minutes(2))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const double completeList =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    report.add("complete_list_" + std::to_string(rows) + "_seconds", completeList);
    report.add("complete_list_in_order", PlayerSession::playlist() == songs ? 1 : 0, 0);
    report.print();
    return 0;
}
