#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWindow>

#include <chrono>
#include <string>
#include <unordered_set>

struct xcb_connection_t;

namespace liedspur {

// Keeps the keyboard focus in this program's window when a program that it starts without
// the focus (the player) maps a window of its own; only on X11, elsewhere it does nothing.
// Each such start gets a startup id (DESKTOP_STARTUP_ID) whose time lies just before the
// user's last input here, so that a window manager that prevents focus stealing leaves the
// new window unfocused. Where one focuses it all the same, the window that had the focus
// is activated again as soon as the new window, recognised by its startup id, has taken it.
class FocusKeeper : public QAbstractNativeEventFilter {
public:
    FocusKeeper();
    ~FocusKeeper() override;
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

    // The startup id for a program about to start; empty where there is nothing to keep.
    std::string startupId();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void activeWindowChanged();

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_activeWindowAtom = 0;
    std::uint32_t m_startupIdAtom = 0;
    std::uint32_t m_userTimeAtom = 0;
    std::uint32_t m_userTimeWindowAtom = 0;
    std::uint32_t m_leaderAtom = 0;

    // The ids handed out lately, the window that had the focus then, and until when a
    // window bearing one of them gets the focus taken back.
    std::unordered_set<std::string> m_ids;
    QPointer<QWindow> m_focused;
    std::chrono::steady_clock::time_point m_keepUntil;
    unsigned m_started = 0;
};

} // namespace liedspur
