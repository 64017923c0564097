#include "SearchWindowFixture.h"

#include "ui/ResultListView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace liedspur::testing {

namespace {
std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}
} // namespace

SearchWindowFixture::SearchWindowFixture() {
    fake.system.appDirectory = dir.path();
    dir.write("winamp.exe", "");
    writePlayerSettings();
}

SearchWindowFixture::~SearchWindowFixture() {
    window.reset();
    settle();
}

void SearchWindowFixture::writePlayerSettings() {
    dir.write("Plattenbox.ini", player() + "\r\n");
}

void SearchWindowFixture::writeIndex(const std::vector<std::string>& songs,
                                     const std::vector<std::string>& folders) {
    dir.write("index.dat", joinLines(songs));
    dir.write("files.dat", " " + std::to_string(songs.size()) + " \r\n");
    dir.write("index1.dat", joinLines(folders));
    dir.write("ordner.dat", " " + std::to_string(folders.size()) + " \r\n");
}

void SearchWindowFixture::start() {
    window = std::make_unique<Search>(fake.platform(), [this](QWidget*) {
        ++indexWindows;
        if (inIndexWindow)
            inIndexWindow();
    });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    settle();
}

void SearchWindowFixture::settle() {
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
}

void SearchWindowFixture::click(const char* button) {
    element<QPushButton>(button)->click();
}

void SearchWindowFixture::typeSearchText(const QString& text) {
    searchField().setText(text);
}

QString SearchWindowFixture::info() const {
    return element<QLabel>("lbl_info")->text();
}

QLineEdit& SearchWindowFixture::searchField() const {
    return *element<QLineEdit>("txt_suchen");
}

std::vector<std::string> SearchWindowFixture::rows() const {
    const ResultListView& list = *element<ResultListView>("lv_1");
    std::vector<std::string> texts;
    for (std::size_t position = 1; position <= list.count(); ++position) {
        const ResultRow row = *list.rowAt(position);
        texts.push_back(std::string(row.itemText()) + "|" + std::string(row.folder()) + "|" +
                        std::to_string(row.number()));
    }
    return texts;
}

void SearchWindowFixture::selectRow(int position) {
    auto* list = element<ResultListView>("lv_1");
    list->selectionModel()->select(list->model()->index(position - 1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<std::string> SearchWindowFixture::started() const {
    std::vector<std::string> starts;
    for (const LaunchRequest& request : fake.processes.started) {
        if (request.target == LaunchRequest::Target::FileManager) {
            starts.push_back("explorer " + request.arguments.at(0));
            continue;
        }
        EXPECT_EQ(request.program, player());
        if (request.arguments.size() == 2 && request.arguments[0] == "/add")
            starts.push_back("add " + request.arguments[1]);
        else
            starts.push_back("play " + request.arguments.at(0));
    }
    return starts;
}

} // namespace liedspur::testing
