// Drives the main window offscreen over the synthetic index of a million songs and sets
// each figure beside the core's own work in the same run, so that the window's share
// shows as a ratio, and beside its target.

#include "BenchPlatform.h"
#include "BenchSupport.h"
#include "SyntheticIndex.h"

#include "index/IndexLoader.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "ui/ResultListView.h"
#include "ui/SearchWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace liedspur;
using namespace liedspur::bench;

namespace {

constexpr int runs = 5;

void writePlayer(const std::string& directory) {
    std::ofstream(directory + "/winamp.exe", std::ios::binary);
    std::ofstream(directory + "/Plattenbox.ini", std::ios::binary)
        << directory << "/winamp.exe\r\n";
}

void press(QPushButton& button) {
    button.click();
    QCoreApplication::processEvents();
}

void waitForActivation(const Search& window, int count) {
    while (window.activations() < count)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Adds the window's time, the core's time for the same work and their ratio, and how
// the window's time stands against its target.
void add(Report& report, const std::string& name, double window, double core, double target) {
    report.add(name + "_window_seconds", window);
    report.add(name + "_core_seconds", core);
    report.add(name + "_window_vs_core", window / core, 2);
    report.add(name + "_window_vs_target", window / target, 2);
}

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    SyntheticIndexSize size;
    if (argc > 1)
        size.songs = std::strtoull(argv[1], nullptr, 10);
    ScratchDirectory directory;
    if (directory.path().empty()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    writeSyntheticIndex(directory.path(), size);
    writePlayer(directory.path());

    BenchPlatform platform(directory.path(), false);
    Search window(platform.platform(), [](QWidget*) {});
    window.show();
    waitForActivation(window, 1);
    QCoreApplication::processEvents();

    auto& field = *window.findChild<QLineEdit*>("txt_suchen");
    auto& searchButton = *window.findChild<QPushButton*>("cmd_suchen");
    auto& allButton = *window.findChild<QPushButton*>("cmd_Alle");
    auto& folderMode = *window.findChild<QCheckBox*>("chk_MitOrdner");
    auto& exact = *window.findChild<QCheckBox*>("chk_genau");
    auto& list = *window.findChild<ResultListView*>("lv_1");
    Report report;

    // An activation: the player check and the whole index read and folded anew. Coming
    // back from the index window starts one.
    const double activation = medianSeconds(runs, [&] {
        const int next = window.activations() + 1;
        window.findChild<QAction*>("New_Index")->trigger();
        waitForActivation(window, next);
    });
    const double load =
        medianSeconds(runs, [&] { SearchIndex(loadIndex(directory.path()).value()); });
    add(report, "activation", activation, load, 0.3);

    const SearchIndex index(window.index());
    struct Case {
        const char* name;
        const char* text;
        bool exact;
        double target;
    };
    for (const Case& c :
         {Case{"search_rare", "zwölfuhrzug", false, 0.05}, Case{"search_mp3", "mp3", false, 0.5},
          Case{"search_exact", "liebe", true, 0.5}}) {
        field.setText(QString::fromUtf8(c.text));
        exact.setChecked(c.exact);
        const double gui = medianSeconds(runs, [&] { press(searchButton); });
        report.add(std::string(c.name) + "_rows", double(list.count()), 0);
        const std::string term = prepareSearchTerm(c.text, c.exact);
        const double core = medianSeconds(runs, [&] { (void)searchSongs(index, term); });
        add(report, c.name, gui, core, c.target);
    }
    exact.setChecked(false);

    // The core's part of a full listing is the rows it makes; the rest is the window's.
    const double allSongs = medianSeconds(runs, [&] { press(allButton); });
    report.add("show_all_songs_rows", double(list.count()), 0);
    const double allSongsCore = medianSeconds(runs, [&] { (void)listAllSongs(index.snapshot()); });
    add(report, "show_all_songs", allSongs, allSongsCore, 0.3);

    folderMode.click();
    const double allFolders = medianSeconds(runs, [&] { press(allButton); });
    report.add("show_all_folders_rows", double(list.count()), 0);
    const double allFoldersCore =
        medianSeconds(runs, [&] { (void)listAllFolders(index.snapshot()); });
    add(report, "show_all_folders", allFolders, allFoldersCore, 0.3);

    // Responsiveness with the whole list shown: scrolling far and painting the rows.
    folderMode.click();
    press(allButton);
    QScrollBar& scroll = *list.verticalScrollBar();
    const double repaint = medianSeconds(runs, [&] {
        scroll.setValue((scroll.value() + scroll.maximum() / 7) % std::max(1, scroll.maximum()));
        list.viewport()->repaint();
        QCoreApplication::processEvents();
    });
    report.add("scroll_and_repaint_full_list_seconds", repaint);

    report.print();
    return 0;
}
