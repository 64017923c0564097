#include "ui/InfoWindows.h"

#include "ui/WindowSystem.h"

namespace liedspur {

InfoWindows::InfoWindows(std::function<FileInfo::Values()> values,
                         std::function<void()> onInfoClosed)
    : m_values(std::move(values)), m_onInfoClosed(std::move(onInfoClosed)) {}

InfoWindows::~InfoWindows() {
    delete m_fileInfo.data();
    delete m_help.data();
}

void InfoWindows::showInfo(const QRect& area) {
    if (!m_fileInfo) {
        m_fileInfo = new FileInfo(m_values, m_onInfoClosed);
        centreFrame(*m_fileInfo, area);
    }
    bringToFront(*m_fileInfo);
}

void InfoWindows::showHelp(const QRect& area) {
    if (!m_help) {
        m_help = new frm_help;
        centreFrame(*m_help, area);
    }
    bringToFront(*m_help);
}

bool InfoWindows::owns(const QObject* window) const {
    return window && (window == m_fileInfo || window == m_help);
}

} // namespace liedspur
