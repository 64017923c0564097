#pragma once

#include "FakePlatform.h"
#include "TempDir.h"
#include "ui/SearchWindow.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;

namespace liedspur::testing {

// The main window offscreen over index files in a temporary application directory, with
// a player that exists and an index window that only counts how often it is shown.
class SearchWindowFixture : public ::testing::Test {
protected:
    SearchWindowFixture();
    ~SearchWindowFixture() override;

    // Writes the four index files for these path and folder lines.
    void writeIndex(const std::vector<std::string>& songs,
                    const std::vector<std::string>& folders = {});
    void writePlayerSettings();
    // Creates and shows the window and lets its first activation run.
    void start();
    // Lets pending events run, queued activations among them.
    static void settle();

    template <typename T> T* element(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* button);
    void typeSearchText(const QString& text);
    QString info() const;
    QLineEdit& searchField() const;
    // The result list's rows as "item text|sub-item 1|sub-item 2".
    std::vector<std::string> rows() const;
    void selectRow(int position);
    // The starts as "play TARGET", "add TARGET" or "explorer FOLDER".
    std::vector<std::string> started() const;
    std::string player() const { return dir.file("winamp.exe"); }

    TempDir dir;
    FakePlatform fake;
    int indexWindows = 0;
    // What the user does in the index window before closing it.
    std::function<void()> inIndexWindow;
    std::unique_ptr<Search> window;
};

} // namespace liedspur::testing
