#pragma once

#include "Desktop.h"
#include "FakePlatform.h"
#include "TempDir.h"
#include "ui/ResultListView.h"
#include "ui/SearchWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace liedspur::testing {

// The main window offscreen over index files in a temporary application directory, with
// a player that exists and an index window that only counts how often it is shown.
class SearchWindowFixture : public ::testing::Test {
protected:
    SearchWindowFixture() {
        fake.system.appDirectory = dir.path();
        dir.write("winamp.exe", "");
        dir.write("Plattenbox.ini", player() + "\r\n");
    }
    ~SearchWindowFixture() override {
        window.reset();
        settle();
    }

    // Creates and shows the window and lets its first activation run.
    void start() {
        window = std::make_unique<Search>(fake.platform(), [this](QWidget*) {
            ++indexWindows;
            if (inIndexWindow)
                inIndexWindow();
        });
        window->show();
        EXPECT_TRUE(waitUntilActive(window.get()));
        settle();
    }

    template <typename T> T* element(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* button) { element<QPushButton>(button)->click(); }
    void trigger(const char* entry) {
        window->findChild<QAction*>(QString::fromUtf8(entry))->trigger();
    }
    // The program's own window of this name, opened from the menu.
    QWidget* openOwn(const char* entry, const char* name) {
        trigger(entry);
        settle();
        QWidget* found = nullptr;
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            if (topLevel->objectName() == QLatin1String(name) && topLevel->isVisible()) {
                EXPECT_EQ(found, nullptr) << "two windows " << name;
                found = topLevel;
            }
        }
        EXPECT_TRUE(found) << name << " is not open";
        return found;
    }
    void search(const QString& text) {
        searchField().setText(text);
        click("cmd_suchen");
    }
    QString info() const { return element<QLabel>("lbl_info")->text(); }
    QLineEdit& searchField() const { return *element<QLineEdit>("txt_suchen"); }
    QCheckBox& folderMode() const { return *element<QCheckBox>("chk_MitOrdner"); }
    ResultListView& list() const { return *element<ResultListView>("lv_1"); }
    void selectRow(int position) {
        list().selectionModel()->select(list().model()->index(position - 1, 0),
                                        QItemSelectionModel::ClearAndSelect |
                                            QItemSelectionModel::Rows);
    }
    // The starts as "play TARGET", "add TARGET" or "explorer FOLDER".
    std::vector<std::string> started() const {
        std::vector<std::string> starts;
        for (const LaunchRequest& request : fake.processes.started) {
            const bool explorer = request.target == LaunchRequest::Target::FileManager;
            EXPECT_TRUE(explorer || request.program == player()) << request.program;
            const bool add = request.arguments.size() == 2 && request.arguments[0] == "/add";
            const char* kind = explorer ? "explorer " : add ? "add " : "play ";
            starts.push_back(kind + request.arguments.back());
        }
        return starts;
    }
    std::string player() const { return dir.file("winamp.exe"); }

    TempDir dir;
    FakePlatform fake;
    int indexWindows = 0;
    // What the user does in the index window before closing it.
    std::function<void()> inIndexWindow;
    std::unique_ptr<Search> window;
};

} // namespace liedspur::testing
