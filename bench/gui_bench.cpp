// Drives the main window offscreen over a generated index of a million songs and sets
// each figure beside the core's own work in the same run, so the window's share shows
// as a ratio.
#include "index/IndexLoader.h"
#include "platform/Platform.h"
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
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

using namespace liedspur;

namespace {

constexpr int songCount = 1'000'000;
constexpr int songsPerFolder = 10;

class BenchDialogs : public Dialogs {
public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        std::fprintf(stderr, "unexpected message: %s\n", request.text.toUtf8().constData());
        return MessageAnswer::Ok;
    }
    std::optional<std::string> showOpenFile(const FileDialogRequest&) override { return {}; }
};

class BenchProcesses : public ProcessStarter {
public:
    std::optional<std::string> start(const LaunchRequest&) override { return std::nullopt; }
};

class BenchSystem : public SystemServices {
public:
    explicit BenchSystem(std::string directory) : m_directory(std::move(directory)) {}
    std::string applicationDirectory() override { return m_directory; }
    bool isNetworkPresent() override { return false; }
    std::vector<Drive> drives() override { return {{"/", {}}}; }
    std::string networkFolder() override { return "/mnt/"; }
    void endProgram() override { std::exit(1); }

private:
    std::string m_directory;
};

void writeIndex(const std::string& directory) {
    std::ofstream songs(directory + "/index.dat", std::ios::binary);
    std::ofstream folders(directory + "/index1.dat", std::ios::binary);
    for (int folder = 0; folder < songCount / songsPerFolder; ++folder) {
        const std::string path = "/srv/musik/Interpret " + std::to_string(folder / 12) + "/Album " +
                                 std::to_string(folder % 12) + " (Live)/";
        folders << path << "\r\n";
        for (int track = 1; track <= songsPerFolder; ++track) {
            const int number = folder * songsPerFolder + track;
            songs << path << track << " - Titel Nummer " << number << " - Ein Lied.mp3\r\n";
        }
    }
    std::ofstream(directory + "/files.dat", std::ios::binary) << " " << songCount << " \r\n";
    std::ofstream(directory + "/ordner.dat", std::ios::binary)
        << " " << songCount / songsPerFolder << " \r\n";
    std::ofstream(directory + "/winamp.exe", std::ios::binary);
    std::ofstream(directory + "/Plattenbox.ini", std::ios::binary)
        << directory << "/winamp.exe\r\n";
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The best of a few runs, as the machine is shared.
double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, millisecondsOf(work));
    return best;
}

void report(const char* name, double window, double core) {
    std::printf("%s_window_ms: %.1f\n", name, window);
    std::printf("%s_core_ms: %.1f\n", name, core);
    std::printf("%s_ratio: %.2f\n", name, window / core);
}

} // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QTemporaryDir temporary;
    const std::string directory = temporary.path().toStdString();
    writeIndex(directory);

    BenchDialogs dialogs;
    BenchProcesses processes;
    BenchSystem system(directory);
    Search window({dialogs, processes, system}, [](QWidget*) {});
    window.show();
    while (window.activations() < 1 || window.index()->songCount() == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    auto& field = *window.findChild<QLineEdit*>("txt_suchen");
    auto& searchButton = *window.findChild<QPushButton*>("cmd_suchen");
    auto& allButton = *window.findChild<QPushButton*>("cmd_Alle");
    auto& folderMode = *window.findChild<QCheckBox*>("chk_MitOrdner");
    auto& list = *window.findChild<ResultListView*>("lv_1");
    const auto press = [](QPushButton& button) {
        button.click();
        QCoreApplication::processEvents();
    };

    const double activation = bestOf(3, [&] {
        const int before = window.activations();
        window.findChild<QAction*>("New_Index")->trigger();
        while (window.activations() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    const double load = bestOf(3, [&] {
        auto loaded = loadIndex(directory);
        SearchIndex index(loaded.value());
    });
    report("activation", activation, load);

    const SearchIndex index(window.index());
    std::size_t rows = 0;
    for (const auto& [name, text] :
         {std::pair{"search_rare", "Nummer 777777 "}, std::pair{"search_mp3", "mp3"}}) {
        field.setText(QString::fromLatin1(text));
        const double gui = bestOf(3, [&] { press(searchButton); });
        rows = list.count();
        const double core = bestOf(3, [&] { rows = searchSongs(index, text).size(); });
        report(name, gui, core);
        std::printf("%s_rows: %zu\n", name, rows);
    }

    const double allSongs = bestOf(3, [&] { press(allButton); });
    const double allSongsCore = bestOf(3, [&] { rows = listAllSongs(index.snapshot()).size(); });
    report("show_all_songs", allSongs, allSongsCore);
    std::printf("show_all_songs_rows: %zu\n", list.count());

    folderMode.click();
    const double allFolders = bestOf(3, [&] { press(allButton); });
    const double allFoldersCore =
        bestOf(3, [&] { rows = listAllFolders(index.snapshot()).size(); });
    report("show_all_folders", allFolders, allFoldersCore);
    std::printf("show_all_folders_rows: %zu\n", list.count());

    // Responsiveness: how long the event loop takes to answer with the full list shown.
    folderMode.click();
    press(allButton);
    const double idle = bestOf(5, [&] {
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->value() + 5000);
        list.viewport()->repaint();
        QCoreApplication::processEvents();
    });
    std::printf("scroll_and_repaint_full_list_ms: %.1f\n", idle);
    return 0;
}
