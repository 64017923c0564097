#pragma once

#include "ui/FileInfo.h"
#include "ui/frm_help.h"

#include <QPointer>

#include <functional>

namespace liedspur {

// The index information window and the key-bindings window: each is opened once and
// brought to the front when it is opened again.
class InfoWindows {
public:
    // `values` gives what FileInfo shows; `onInfoClosed` runs when FileInfo closes.
    InfoWindows(std::function<FileInfo::Values()> values, std::function<void()> onInfoClosed);
    ~InfoWindows();
    InfoWindows(const InfoWindows&) = delete;
    InfoWindows& operator=(const InfoWindows&) = delete;

    // Each window opens centred on `area` the first time.
    void showInfo(const QRect& area);
    void showHelp(const QRect& area);
    // True for these two windows, the program's own besides the main window.
    bool owns(const QObject* window) const;

private:
    std::function<FileInfo::Values()> m_values;
    std::function<void()> m_onInfoClosed;
    QPointer<FileInfo> m_fileInfo;
    QPointer<frm_help> m_help;
};

} // namespace liedspur
