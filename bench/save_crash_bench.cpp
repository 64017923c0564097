// Kills a saving process with SIGKILL at random moments and loads the index after each
// kill: it must be exactly the old index or exactly the new one, never mixed or unloadable.
// Replace and append, each alternating a run larger and a run smaller than the old index.
//
//   save_crash_bench [mid-save kills per mode, default 500] [old songs, default 100000]

#include "BenchSupport.h"

#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "index/IndexLoader.h"
#include "index/IndexSaver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace liedspur;
using namespace std::chrono;

namespace {

struct Lists {
    std::vector<std::string> songs;
    std::vector<std::string> folders;
};

// Songs of `tag` in folders of `songsPerFolder`, each line telling where it came from.
Lists collection(const std::string& tag, std::size_t songs, std::size_t songsPerFolder) {
    Lists lists;
    lists.songs.reserve(songs);
    char line[128];
    for (std::size_t song = 0; song < songs; ++song) {
        const std::size_t folder = song / songsPerFolder;
        if (song % songsPerFolder == 0) {
            std::snprintf(line, sizeof line, "/Musik/%s/Künstler %05zu/", tag.c_str(), folder);
            lists.folders.emplace_back(line);
        }
        std::snprintf(line, sizeof line, "/Musik/%s/Künstler %05zu/%02zu - Titel %07zu.mp3",
                      tag.c_str(), folder, song % songsPerFolder + 1, song);
        lists.songs.emplace_back(line);
    }
    return lists;
}

Lists joined(const Lists& first, const Lists& second) {
    Lists lists = first;
    lists.songs.insert(lists.songs.end(), second.songs.begin(), second.songs.end());
    lists.folders.insert(lists.folders.end(), second.folders.begin(), second.folders.end());
    return lists;
}

void writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += indexfiles::lineEnd;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
    std::fclose(file);
}

void writeCount(const std::string& path, std::size_t count) {
    writeLines(path, {formatCountLine(count)});
}

struct Run {
    Lists lists;
    LineTable songs;
};

Run makeRun(const std::string& tag, std::size_t songs) {
    Run run{collection(tag, songs, 100), {}};
    for (const std::string& song : run.lists.songs)
        run.songs.append(song);
    return run;
}

enum class Mode { Replace, Append };

// The old index and the run's lists, as a run leaves them before "Speichern".
void prepare(const std::string& directory, const Lists& old, const Run& run) {
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        std::filesystem::remove(entry.path());
    using namespace indexfiles;
    writeLines(path(directory, songList), old.songs);
    writeCount(path(directory, songCount), old.songs.size());
    writeLines(path(directory, folderList), old.folders);
    writeCount(path(directory, folderCount), old.folders.size());
    writeLines(path(directory, runSongList), run.lists.songs);
    writeLines(path(directory, runFolderList), run.lists.folders);
}

bool save(Mode mode, const std::string& directory, const Run& run) {
    if (mode == Mode::Replace)
        return replaceIndex(directory, run.lists.songs.size(), run.lists.folders.size()).ok();
    return appendIndex(directory, run.songs, run.lists.folders.size()).ok();
}

struct Outcome {
    bool killed = false;
    bool saved = false;
};

// Saves in a child process and kills it `delay` after it started saving (never, when
// negative).
Outcome saveInChild(Mode mode, const std::string& directory, const Run& run,
                    duration<double> delay) {
    int started[2];
    if (::pipe(started) != 0)
        std::exit(2);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(started[0]);
        const char go = 1;
        if (::write(started[1], &go, 1) != 1)
            ::_exit(3);
        ::_exit(save(mode, directory, run) ? 0 : 1);
    }
    ::close(started[1]);
    char go = 0;
    if (::read(started[0], &go, 1) != 1)
        std::exit(2);
    ::close(started[0]);
    if (delay.count() >= 0) {
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFSIGNALED(status), WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

bool holds(const IndexSnapshot& index, const Lists& lists) {
    if (index.songCount() != lists.songs.size() || index.folderCount() != lists.folders.size())
        return false;
    for (std::size_t row = 1; row <= lists.songs.size(); ++row)
        if (index.fullPath(row) != lists.songs[row - 1])
            return false;
    for (std::size_t row = 1; row <= lists.folders.size(); ++row)
        if (index.folder(row) != lists.folders[row - 1])
            return false;
    return true;
}

struct Tally {
    int killsMidSave = 0;
    int old = 0;
    int fresh = 0;
    int broken = 0;
};

} // namespace

int main(int argc, char** argv) {
    const int killsWanted = argc > 1 ? std::atoi(argv[1]) : 500;
    const std::size_t oldSongs = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100'000;
    const bench::ScratchDirectory scratch;
    const std::string& directory = scratch.path();

    const Lists old = collection("alt", oldSongs, 100);
    std::vector<Run> runs;
    runs.push_back(makeRun("neu-gross", oldSongs * 3 / 2));
    runs.push_back(makeRun("neu-klein", oldSongs / 2));
    std::mt19937 random(4711);
    bench::Report report;
    Tally total;

    for (const Mode mode : {Mode::Replace, Mode::Append}) {
        const std::string name = mode == Mode::Replace ? "replace" : "append";
        Tally tally;
        // How long a whole save takes, so that the kills spread over all of it.
        std::vector<double> whole;
        for (int i = 0; i < 6; ++i) {
            const Run& run = runs[i % runs.size()];
            prepare(directory, old, run);
            const auto start = steady_clock::now();
            if (!saveInChild(mode, directory, run, duration<double>(-1)).saved) {
                std::fprintf(stderr, "%s: a save without a kill failed\n", name.c_str());
                return 2;
            }
            whole.push_back(duration<double>(steady_clock::now() - start).count());
        }
        std::sort(whole.begin(), whole.end());
        const double longest = whole.back();

        for (int trial = 0; tally.killsMidSave < killsWanted && trial < killsWanted * 20; ++trial) {
            const Run& run = runs[trial % runs.size()];
            prepare(directory, old, run);
            const duration<double> delay(
                std::uniform_real_distribution<double>(0, longest * 1.1)(random));
            const Outcome outcome = saveInChild(mode, directory, run, delay);
            tally.killsMidSave += outcome.killed;

            const Lists fresh = mode == Mode::Replace ? run.lists : joined(old, run.lists);
            auto loaded = loadIndex(directory);
            if (loaded && holds(*loaded.value(), old) && !(outcome.saved && !outcome.killed))
                ++tally.old;
            else if (loaded && holds(*loaded.value(), fresh))
                ++tally.fresh;
            else
                ++tally.broken;
        }
        report.add(name + "_save_seconds_median", whole[whole.size() / 2]);
        report.add(name + "_kills_mid_save", tally.killsMidSave, 0);
        report.add(name + "_old", tally.old, 0);
        report.add(name + "_new", tally.fresh, 0);
        report.add(name + "_broken", tally.broken, 0);
        total.killsMidSave += tally.killsMidSave;
        total.old += tally.old;
        total.fresh += tally.fresh;
        total.broken += tally.broken;
    }
    report.add("kills_mid_save", total.killsMidSave, 0);
    report.add("old", total.old, 0);
    report.add("new", total.fresh, 0);
    report.add("broken", total.broken, 0);
    report.print();
    return total.broken == 0 ? 0 : 1;
}
