// Kills a saving process with SIGKILL at random moments and loads the index after each
// kill: it must be exactly the old index or exactly the new one, never mixed or unloadable.
// Replace and append, each alternating a run larger and a run smaller than the old index.
// Then fails each file operation of a save in turn (EIO, ENOSPC or EINTR once, or every
// write from there on as a disk gone read-only), those after the commit point included:
// a save must answer failed exactly when the next load gives the old index
// (reported_failed_but_saved and reported_saved_but_old 0), and saving again after a failed
// or unfinished append must add the run once (append_retry_doubled 0).
//
//   save_crash_bench [mid-save kills per mode, default 500] [old songs, default 100000]

#include "BenchSupport.h"

#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "index/IndexLoader.h"
#include "index/IndexSaver.h"

#include <algorithm>
#include <cerrno>
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

Result<SaveOutcome> save(Mode mode, const std::string& directory, const Run& run,
                         const FileOps& ops = FileOps()) {
    if (mode == Mode::Replace)
        return replaceIndex(directory, run.lists.songs.size(), run.lists.folders.size(), ops);
    return appendIndex(directory, run.songs, run.lists.folders.size(), ops);
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
        ::_exit(save(mode, directory, run).ok() ? 0 : 1);
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

struct FaultTally {
    int injected = 0;
    int afterCommitPoint = 0; // the next load gives the new index
    int pending = 0;          // saved, its last steps left to the next load
    int failedButSaved = 0;
    int savedButOld = 0;
    int unloadable = 0;
    int retryDoubled = 0;
};

// Fails call `at` of a save: once with `error`, or with EROFS every write from there on.
FileOps failingAt(int at, int error, int& calls) {
    return FileOps([at, error, &calls](FileOps::Access access) {
        ++calls;
        if (error != EROFS)
            return calls == at ? error : 0;
        return calls >= at && access == FileOps::Access::Writes ? EROFS : 0;
    });
}

// What a load gives of `directory` now, read from a copy: loading finishes a save left
// unfinished, and the user's retry comes before any load.
Result<IndexPtr> loadCopy(const std::string& directory, const std::string& copy) {
    std::filesystem::remove_all(copy);
    std::filesystem::copy(directory, copy);
    return loadIndex(copy);
}

void injectFaults(Mode mode, const std::string& directory, const Lists& old, const Run& run,
                  FaultTally& tally) {
    const bench::ScratchDirectory copies;
    const std::string copy = copies.path() + "/kopie";
    const Lists fresh = mode == Mode::Replace ? run.lists : joined(old, run.lists);
    for (const int error : {EIO, ENOSPC, EINTR, EROFS}) {
        for (int at = 1;; ++at) {
            prepare(directory, old, run);
            int calls = 0;
            const Result<SaveOutcome> answer =
                save(mode, directory, run, failingAt(at, error, calls));
            if (calls < at)
                break;
            ++tally.injected;
            auto loaded = loadCopy(directory, copy);
            const bool isNew = loaded && holds(*loaded.value(), fresh);
            const bool isOld = loaded && holds(*loaded.value(), old);
            tally.unloadable += !isNew && !isOld;
            tally.afterCommitPoint += isNew;
            tally.failedButSaved += !answer && isNew;
            tally.savedButOld += answer && !isNew;
            tally.pending += answer && answer.value() == SaveOutcome::Pending;
            if (mode != Mode::Append || (answer && answer.value() == SaveOutcome::Finished))
                continue;
            // The user saves again: the run must be in the index once.
            save(mode, directory, run).ignoreError();
            auto again = loadIndex(directory);
            tally.retryDoubled += !again || !holds(*again.value(), fresh);
        }
    }
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
    FaultTally faults;
    for (const Mode mode : {Mode::Replace, Mode::Append})
        injectFaults(mode, directory, old, runs[mode == Mode::Replace ? 0 : 1], faults);
    report.add("fault_injections", faults.injected, 0);
    report.add("fault_injections_after_commit_point", faults.afterCommitPoint, 0);
    report.add("saved_pending_for_next_load", faults.pending, 0);
    report.add("reported_failed_but_saved", faults.failedButSaved, 0);
    report.add("reported_saved_but_old", faults.savedButOld, 0);
    report.add("unloadable_after_fault", faults.unloadable, 0);
    report.add("append_retry_doubled", faults.retryDoubled, 0);

    report.add("kills_mid_save", total.killsMidSave, 0);
    report.add("old", total.old, 0);
    report.add("new", total.fresh, 0);
    report.add("broken", total.broken, 0);
    report.print();
    const int wrong = total.broken + faults.failedButSaved + faults.savedButOld +
                      faults.unloadable + faults.retryDoubled;
    return wrong == 0 ? 0 : 1;
}
