// Loading and searching a synthetic index (a million songs unless a count is given), each
// against a reference measured in the same run: the load against `wc -l` over the song
// list, each search against the floor (memmem over the same folded names) and a rare search
// against plocate, the tool a user would pick instead. Prints `name: value` lines.

#include "BenchSupport.h"
#include "SyntheticIndex.h"

#include "base/CaseFold.h"
#include "index/IndexFiles.h"
#include "index/IndexLoader.h"
#include "search/Search.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace liedspur;
using namespace liedspur::bench;

namespace {

constexpr int runs = 7;

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

struct Loaded {
    IndexPtr snapshot;
    std::unique_ptr<SearchIndex> search;
};

// What an activation does with a changed index: read the files, then fold their case.
Loaded loadForSearch(const std::string& directory) {
    auto result = loadIndex(directory);
    if (!result) {
        std::fprintf(stderr, "load failed: %s\n", result.error().description.c_str());
        std::exit(1);
    }
    Loaded loaded{std::move(result).value(), nullptr};
    loaded.search = std::make_unique<SearchIndex>(loaded.snapshot);
    return loaded;
}

// The floor of a search: every occurrence of the folded term in the folded texts.
std::size_t countOccurrences(std::string_view texts, std::string_view term) {
    std::size_t count = 0;
    for (std::size_t from = 0; from < texts.size(); ++count) {
        const void* hit =
            ::memmem(texts.data() + from, texts.size() - from, term.data(), term.size());
        if (!hit)
            break;
        from = static_cast<std::size_t>(static_cast<const char*>(hit) - texts.data()) + term.size();
    }
    return count;
}

bool commandExists(const std::string& command) {
    return std::system(("command -v " + command + " > /dev/null 2>&1").c_str()) == 0;
}

std::string plocateBuilder() {
    if (commandExists("plocate-build"))
        return "plocate-build";
    return std::filesystem::exists("/usr/sbin/plocate-build") ? "/usr/sbin/plocate-build" : "";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SyntheticIndexSize size;
    if (argc > 1)
        size.songs = std::strtoull(argv[1], nullptr, 10);

    ScratchDirectory directory;
    if (directory.path().empty()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const std::size_t indexBytes = writeSyntheticIndex(directory.path(), size);
    const std::string songList = indexfiles::path(directory.path(), indexfiles::songList);
    const std::string output = directory.path() + "/tool-output";
    std::fprintf(stderr, "index of %zu songs, %zu bytes\n", size.songs, indexBytes);

    Report report;
    report.add("index_file_megabytes", indexBytes / 1e6, 1);

    // Memory first, in a process that has not yet loaded anything.
    const std::size_t before = residentBytes();
    resetPeakMemory();
    std::optional<Loaded> loaded = loadForSearch(directory.path());
    const std::size_t after = residentBytes();
    const std::size_t peak = peakResidentBytes();
    report.add("memory_added_megabytes", (after - before) / 1e6, 1);
    report.add("memory_added_per_song_bytes", double(after - before) / size.songs, 0);
    report.add("memory_added_vs_index_files", double(after - before) / indexBytes);
    report.add("memory_peak_during_load_vs_index_files", double(peak - before) / indexBytes);

    const double wc = medianCommandSeconds(runs, "wc -l " + quoted(songList), output);
    const double load = medianSeconds(runs, [&] { loadForSearch(directory.path()); });
    const double filesOnly =
        medianSeconds(runs, [&] { loadIndex(directory.path()).ignoreError(); });
    report.add("wc_l_ms", wc * 1e3, 1);
    report.add("load_ms", load * 1e3, 1);
    report.add("load_vs_wc_l", load / wc, 2);
    report.add("load_files_only_vs_wc_l", filesOnly / wc, 2);

    const SearchIndex& search = *loaded->search;
    struct Case {
        const char* name;
        const char* text;
        bool exact;
    };
    double rareSeconds = 0;
    for (const Case& c :
         {Case{"search_rare", "zwölfuhrzug", false}, Case{"search_common", "mp3", false},
          Case{"search_exact", "liebe", true}}) {
        const std::string term = prepareSearchTerm(c.text, c.exact);
        const std::string folded = toUpperCase(term);
        std::size_t rows = 0;
        std::size_t occurrences = 0;
        const double ours = medianSeconds(runs, [&] { rows = searchSongs(search, term).size(); });
        const double floor = medianSeconds(
            runs, [&] { occurrences = countOccurrences(search.fileNames().bytes(), folded); });
        const std::string name = c.name;
        report.add(name + "_rows", double(rows), 0);
        report.add(name + "_floor_occurrences", double(occurrences), 0);
        report.add(name + "_ms", ours * 1e3, 2);
        report.add(name + "_floor_ms", floor * 1e3, 2);
        report.add(name + "_vs_floor", ours / floor, 2);
        if (name == "search_rare")
            rareSeconds = ours;
    }

    const std::string folderTerm = toUpperCase("liebe");
    std::size_t folderRows = 0;
    std::size_t folderOccurrences = 0;
    const double folders =
        medianSeconds(runs, [&] { folderRows = searchFolders(search, "liebe").size(); });
    const double folderFloor = medianSeconds(
        runs, [&] { folderOccurrences = countOccurrences(search.folders().bytes(), folderTerm); });
    report.add("folder_search_rows", double(folderRows), 0);
    report.add("folder_search_floor_occurrences", double(folderOccurrences), 0);
    report.add("folder_search_vs_floor", folders / folderFloor, 2);

    // plocate over a database of the same paths, matching file names only, letter case
    // ignored. It runs as a process of its own; ours runs in this one, so the cost of
    // starting a process is given beside it.
    const std::string builder = plocateBuilder();
    if (builder.empty() || !commandExists("plocate")) {
        std::fprintf(stderr, "plocate not installed: its figures are left out\n");
    } else {
        const std::string paths = directory.path() + "/paths";
        const std::string database = directory.path() + "/plocate.db";
        const std::string build = "tr -d '\\r' < " + quoted(songList) + " > " + quoted(paths) +
                                  " && " + builder + " -l no -p " + quoted(paths) + " " +
                                  quoted(database) + " > /dev/null 2>&1";
        if (std::system(build.c_str()) != 0) {
            std::fprintf(stderr, "plocate-build failed: its figures are left out\n");
        } else {
            const std::string query =
                "LC_ALL=C.UTF-8 plocate -d " + quoted(database) + " -i -b zwölfuhrzug";
            const double plocate = medianCommandSeconds(runs, query, output);
            if (std::system((query + " -c > " + quoted(output)).c_str()) == 0) {
                std::ifstream counted(output);
                std::size_t rows = 0;
                counted >> rows;
                report.add("search_rare_plocate_rows", double(rows), 0);
            }
            const double start = medianCommandSeconds(runs, "true", output);
            report.add("search_rare_plocate_ms", plocate * 1e3, 2);
            report.add("process_start_ms", start * 1e3, 2);
            report.add("search_rare_vs_plocate", rareSeconds / plocate, 2);
        }
    }

    report.print();
    return 0;
}
