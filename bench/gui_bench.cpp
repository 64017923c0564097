// Drives the main window offscreen over a synthetic index (a million songs unless a count
// is given) the way a user does: searches and full listings timed until the window has
// painted them, the column fitting against the texts measured one by one, activations with
// the index unchanged and changed, and the process's memory at each point against the size
// of the index files. Prints `name: value` lines.

#include "BenchPlatform.h"
#include "BenchSupport.h"
#include "SyntheticIndex.h"

#include "index/IndexFiles.h"
#include "platform/SystemServices.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "ui/ResultListView.h"
#include "ui/SearchWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <numeric>
#include <sys/stat.h>
#include <vector>

using namespace liedspur;
using namespace liedspur::bench;

namespace {

constexpr int runs = 5;
// Searches are short: more runs for a steady median on a busy machine.
constexpr int searchRuns = 15;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void writePlayer(const std::string& directory) {
    const std::string player = indexfiles::path(directory, playerFileName);
    std::ofstream(player, std::ios::binary);
    std::ofstream(indexfiles::path(directory, indexfiles::settings), std::ios::binary)
        << player << indexfiles::lineEnd;
}

// Sets a file's modification time to `secondsAgo` before now.
void setModified(const std::string& path, long secondsAgo) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec when{now.tv_sec - secondsAgo, now.tv_nsec};
    const timespec times[2] = {when, when};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        std::fprintf(stderr, "cannot set the time of %s\n", path.c_str());
}

void waitForActivation(const Search& window, int count) {
    while (window.activations() < count)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Coming back from the index window starts one activation.
void activate(Search& window) {
    const int next = window.activations() + 1;
    window.findChild<QAction*>("New_Index")->trigger();
    waitForActivation(window, next);
}

// Returns when the list has the widths of the index in use.
void waitForWidths(const Search& window, const ResultListView& list) {
    while (!list.hasTextWidths(window.index()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The width the widest text of `column` needs, found by measuring every row's text.
int widestTextNeeds(const ResultListView& list, int column) {
    const QAbstractItemModel& model = *list.model();
    const QFontMetricsF metrics(list.font());
    double widest = -1;
    QString widestText;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString text = model.data(model.index(row, column)).toString();
        const double width = metrics.horizontalAdvance(text);
        if (width > widest) {
            widest = width;
            widestText = text;
        }
    }
    return list.cellWidth(widestText);
}

// Fitted widths of the title and folder columns against what their widest texts need.
void reportFit(Report& report, const ResultListView& list, const std::string& name) {
    for (const auto& [column, label] : {std::pair{0, "title"}, std::pair{1, "folder"}})
        report.add(name + "_" + label + "_column_vs_widest_text",
                   double(list.header()->sectionSize(column)) / widestTextNeeds(list, column), 3);
}

// The work and then what it left to paint painted, as the user sees the result. The
// commands paint the window themselves before they return; a repaint of the whole window
// beside it is window_repaint_ms.
double untilPainted(int times, const std::function<void()>& work) {
    return medianSeconds(times, [&] {
        work();
        QCoreApplication::processEvents();
    });
}

class Memory {
public:
    Memory(Report& report, std::size_t indexBytes) : m_report(report), m_indexBytes(indexBytes) {}

    void note(const std::string& point) {
        m_report.add("rss_" + point + "_vs_index_files", double(residentBytes()) / m_indexBytes, 2);
    }
    void notePeak(const std::string& name) {
        m_report.add(name, double(peakResidentBytes()) / m_indexBytes, 2);
    }

private:
    Report& m_report;
    std::size_t m_indexBytes;
};

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    SyntheticIndexSize size;
    size.wideTexts = true;
    if (argc > 1)
        size.songs = std::strtoull(argv[1], nullptr, 10);
    ScratchDirectory directory;
    if (directory.path().empty()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const std::size_t indexBytes = writeSyntheticIndex(directory.path(), size);
    const std::string songList = indexfiles::path(directory.path(), indexfiles::songList);
    // An index saved a while ago, as a user's usually is.
    for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
        setModified(directory.path() + "/" + name, 3600);
    writePlayer(directory.path());
    std::fprintf(stderr, "index of %zu songs, %zu bytes\n", size.songs, indexBytes);

    Report report;
    Memory memory(report, indexBytes);
    report.add("index_file_megabytes", indexBytes / 1e6, 1);

    BenchPlatform platform(directory.path(), false);
    Search window(platform.platform(), [](QWidget*) {});
    auto& field = *window.findChild<QLineEdit*>("txt_suchen");
    auto& searchButton = *window.findChild<QPushButton*>("cmd_suchen");
    auto& allButton = *window.findChild<QPushButton*>("cmd_Alle");
    auto& folderMode = *window.findChild<QCheckBox*>("chk_MitOrdner");
    auto& exact = *window.findChild<QCheckBox*>("chk_genau");
    auto& list = *window.findChild<ResultListView*>("lv_1");
    window.show();
    waitForActivation(window, 1);
    // The texts' widths are measured on a worker once the index is loaded.
    QElapsedTimer measuring;
    measuring.start();
    waitForWidths(window, list);
    report.add("text_widths_after_load_ms", measuring.nsecsElapsed() / 1e6, 1);
    window.repaint();
    report.add("window_repaint_ms", medianSeconds(runs, [&] { window.repaint(); }) * 1e3, 2);
    memory.note("start");

    struct Case {
        const char* name;
        const char* text;
        bool exact;
        double target;
    };
    const Case cases[] = {Case{"search_rare", "zwölfuhrzug", false, 0.05},
                          Case{"search_mp3", "mp3", false, 0.5},
                          Case{"search_exact", "liebe", true, 0.5}};
    const auto prepare = [&](const Case& c) {
        field.setText(QString::fromUtf8(c.text));
        exact.setChecked(c.exact);
    };
    for (const Case& c : cases) {
        prepare(c);
        searchButton.click();
        report.add(std::string(c.name) + "_rows", double(list.count()), 0);
    }
    exact.setChecked(false);
    memory.note("search");

    // Fitting a million rows, or all but one of a smaller index: not the whole table, whose
    // widest rows are found once.
    {
        ResultSet rows{window.index()->songsOnly(), RowKind::Song, {}};
        rows.numbers.resize(std::min<std::size_t>(size.songs - 1, 1'000'000));
        std::iota(rows.numbers.begin(), rows.numbers.end(), 2u);
        // Each fit of rows just shown: a list finds their widest rows once.
        std::vector<double> fits;
        for (int run = 0; run < runs; ++run) {
            list.rows().assign(rows);
            QElapsedTimer fitting;
            fitting.start();
            list.fitTextColumns();
            fits.push_back(fitting.nsecsElapsed() / 1e9);
        }
        const double fit = median(fits);
        report.add("fit_columns_rows", double(list.count()), 0);
        report.add("fit_columns_1m_ms", fit * 1e3, 2);
        report.add("fit_columns_1m_vs_target_5_ms", fit / 0.005, 2);
        reportFit(report, list, "fit");
        // A fit without the widths, as before they are measured.
        list.dropTextWidths();
        list.fitTextColumns();
        reportFit(report, list, "fit_without_widths");
        list.measureTexts(window.index());
        waitForWidths(window, list);
        list.rows().clear();
    }

    folderMode.click();
    const double allFolders = untilPainted(runs, [&] { allButton.click(); });
    report.add("show_all_folders_rows", double(list.count()), 0);
    report.add("show_all_folders_painted_ms", allFolders * 1e3, 1);
    report.add("show_all_folders_painted_vs_target_0_3_s", allFolders / 0.3, 2);
    folderMode.click();
    // Memory that earlier results left to the allocator goes back first, so that the listing
    // has to take its own.
    ::malloc_trim(0);
    const std::size_t emptyList = residentBytes();
    const double allSongs = untilPainted(runs, [&] { allButton.click(); });
    report.add("show_all_songs_rows", double(list.count()), 0);
    report.add("rss_listing_growth_bytes_per_row",
               (double(residentBytes()) - double(emptyList)) / double(list.count()), 1);
    report.add("show_all_songs_painted_ms", allSongs * 1e3, 1);
    report.add("show_all_songs_painted_vs_target_0_15_s", allSongs / 0.15, 2);
    const double listing = medianSeconds(runs, [&] { (void)listAllSongs(window.index()); });
    report.add("show_all_songs_core_ms", listing * 1e3, 1);
    report.add("show_all_songs_painted_vs_core", allSongs / listing, 2);
    // Measuring every text one by one takes a few seconds a million rows.
    if (list.count() <= 2'000'000)
        reportFit(report, list, "show_all");
    memory.note("show_all");

    // Responsiveness with the whole list shown: scrolling far and painting the rows.
    QScrollBar& scroll = *list.verticalScrollBar();
    const double repaint = medianSeconds(runs, [&] {
        scroll.setValue((scroll.value() + scroll.maximum() / 7) % std::max(1, scroll.maximum()));
        list.viewport()->repaint();
    });
    report.add("scroll_and_repaint_full_list_ms", repaint * 1e3, 1);

    // Activations over the unchanged index, with the full listing shown.
    const double unchanged = medianSeconds(runs, [&] { activate(window); });
    report.add("activation_unchanged_ms", unchanged * 1e3, 2);
    report.add("activation_unchanged_vs_target_5_ms", unchanged / 0.005, 2);
    memory.note("reactivated_unchanged");
    memory.notePeak("rss_peak_vs_index_files");

    // The worst point: an index changed on disk and read again while the full listing of
    // the one before is still shown. Touching the list is a change like any other.
    resetPeakMemory();
    const double changed = medianSeconds(runs, [&] {
        setModified(songList, 0);
        activate(window);
    });
    report.add("activation_changed_with_full_list_ms", changed * 1e3, 1);
    report.add("show_all_rows_after_reloads", double(list.count()), 0);
    memory.note("reloaded_with_full_list");
    memory.notePeak("rss_peak_changed_with_full_list_vs_index_files");

    // The first search after a load, while a worker measures the new index's texts.
    prepare(cases[0]);
    std::vector<double> afterLoad;
    for (int run = 0; run < 3; ++run) {
        setModified(songList, 0);
        activate(window);
        afterLoad.push_back(untilPainted(1, [&] { searchButton.click(); }));
    }
    report.add("search_rare_while_measuring_painted_ms", median(afterLoad) * 1e3, 1);

    // Each search beside the core's own search over the same index, in turns, so that other
    // work on the machine slows both alike; last, so that the core's second search copy
    // counts in none of the memory figures.
    waitForWidths(window, list);
    const SearchIndex index(window.index());
    for (const Case& c : cases) {
        prepare(c);
        const std::string term = prepareSearchTerm(c.text, c.exact);
        std::vector<double> painted, core;
        for (int run = 0; run < searchRuns; ++run) {
            painted.push_back(untilPainted(1, [&] { searchButton.click(); }));
            core.push_back(medianSeconds(1, [&] { (void)searchSongs(index, term); }));
        }
        const double paintedMedian = median(painted), coreMedian = median(core);
        const std::string name = c.name;
        report.add(name + "_painted_ms", paintedMedian * 1e3, 1);
        report.add(name + "_core_ms", coreMedian * 1e3, 1);
        report.add(name + "_painted_vs_core", paintedMedian / coreMedian, 2);
        report.add(name + "_painted_vs_target", paintedMedian / c.target, 2);
    }

    report.print();
    return 0;
}
