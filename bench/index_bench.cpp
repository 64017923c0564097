// Loading, searching and listing a large index, each against a tool that reads the same
// files, so that the figures mean the same on any machine.

#include "BenchSupport.h"
#include "SyntheticIndex.h"

#include "index/IndexLoader.h"
#include "search/ResultModel.h"
#include "search/Search.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>

using namespace liedspur;
using namespace liedspur::bench;

namespace {

constexpr int runs = 5;
constexpr double listingTargetSeconds = 0.3;

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// Peak memory counts from here on (Linux 4.0 and later).
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Loaded {
    IndexPtr snapshot;
    std::optional<SearchIndex> search;
};

// What every activation of the main window does: read the files, then fold their case.
Loaded loadForSearch(const std::string& directory) {
    Loaded loaded;
    auto result = loadIndex(directory);
    if (!result) {
        std::fprintf(stderr, "load failed: %s\n", result.error().description.c_str());
        std::exit(1);
    }
    loaded.snapshot = std::move(result).value();
    loaded.search.emplace(loaded.snapshot);
    return loaded;
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
    const std::string songList = quoted(directory.path() + "/index.dat");
    const std::string output = directory.path() + "/tool-output";
    std::fprintf(stderr, "index of %zu songs, %zu bytes\n", size.songs, indexBytes);

    Report report;

    // Memory first, in a process that has not yet loaded anything.
    const std::size_t before = residentBytes();
    resetPeakMemory();
    std::optional<Loaded> loaded = loadForSearch(directory.path());
    const std::size_t after = residentBytes();
    const std::size_t peak = peakResidentBytes();
    report.add("index_file_megabytes", indexBytes / 1e6, 1);
    report.add("memory_added_megabytes", (after - before) / 1e6, 1);
    report.add("memory_added_per_song_bytes", double(after - before) / size.songs, 0);
    report.add("memory_added_vs_index_files", double(after - before) / indexBytes);
    report.add("memory_peak_during_load_vs_index_files", double(peak - before) / indexBytes);

    const double wc = medianCommandSeconds(runs, "wc -l " + songList, output);
    const double load = medianSeconds(runs, [&] { loadForSearch(directory.path()); });
    const double readOnly = medianSeconds(runs, [&] { (void)loadIndex(directory.path()); });
    report.add("wc_l_seconds", wc);
    report.add("load_seconds", load);
    report.add("load_vs_wc_l", load / wc);
    report.add("load_files_only_vs_wc_l", readOnly / wc);

    const SearchIndex& search = *loaded->search;
    struct Case {
        const char* name;
        const char* text;
        bool exact;
    };
    for (const Case& c :
         {Case{"search_rare", "zwölfuhrzug", false}, Case{"search_common_mp3", "mp3", false},
          Case{"search_exact", "liebe", true}}) {
        const std::string term = prepareSearchTerm(c.text, c.exact);
        std::size_t hits = 0;
        const double ours = medianSeconds(runs, [&] { hits = searchSongs(search, term).size(); });
        const double grep =
            medianCommandSeconds(runs, "grep -ciF " + quoted(term) + " " + songList, output);
        report.add(std::string(c.name) + "_rows", double(hits), 0);
        report.add(std::string(c.name) + "_seconds", ours);
        report.add(std::string(c.name) + "_grep_ciF_seconds", grep);
        report.add(std::string(c.name) + "_vs_grep_ciF", ours / grep);
    }

    ResultModel model;
    const std::string folderTerm = prepareSearchTerm("liebe", false);
    const double folders =
        medianSeconds(runs, [&] { model.assign(searchFolders(search, folderTerm)); });
    const double folderGrep = medianCommandSeconds(
        runs, "grep -ciF " + quoted(folderTerm) + " " + quoted(directory.path() + "/index1.dat"),
        output);
    report.add("folder_search_rows", double(model.count()), 0);
    report.add("folder_search_into_model_vs_grep_ciF", folders / folderGrep);

    const double listing =
        medianSeconds(runs, [&] { model.assign(listAllSongs(loaded->snapshot)); });
    report.add("full_listing_rows", double(model.count()), 0);
    report.add("full_listing_into_model_seconds", listing);
    report.add("full_listing_vs_target_0_3_s", listing / listingTargetSeconds);

    report.print();
    return 0;
}
