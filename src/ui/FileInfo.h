#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;

namespace liedspur {

// The index information window: the index's counts and the player's path, composed anew
// whenever the window becomes active.
class FileInfo : public QWidget {
    Q_OBJECT

public:
    // FileCount and FolderCount as their count lines' texts, and PlayerPath.
    struct Values {
        std::string fileCount;
        std::string folderCount;
        std::string playerPath;
    };

    // `values` gives what the main window holds now; `onUnload` runs when the window closes.
    FileInfo(std::function<Values()> values, std::function<void()> onUnload,
             QWidget* parent = nullptr);

    void Form_Activate();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<Values()> m_values;
    std::function<void()> m_onUnload;
    QGroupBox* Frame1 = nullptr;
    QLabel* lbl_files = nullptr;
    QLabel* lbl_AmpPath = nullptr;
};

} // namespace liedspur
