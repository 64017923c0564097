#include "platform/linux/FocusKeeper.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace liedspur {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long after a start its player may come up and take the focus: the adapter's time
// for a player to answer, and some more.
constexpr auto keepTime = 15s;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The bytes of a property of `window`; empty where it has none.
std::string property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    if (window == XCB_WINDOW_NONE || name == XCB_ATOM_NONE)
        return {};
    const ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr),
        &std::free);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// A text property, without the NUL some programs end it with.
std::string text(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    std::string value = property(connection, window, name);
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    return value;
}

// A property that holds one 32-bit value, a window or a time; 0 where it has none.
std::uint32_t value32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    const std::string bytes = property(connection, window, name);
    std::uint32_t value = 0;
    if (bytes.size() >= sizeof value)
        std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

} // namespace

FocusKeeper::FocusKeeper() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_activeWindowAtom = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    m_startupIdAtom = internAtom(m_connection, "_NET_STARTUP_ID");
    m_userTimeAtom = internAtom(m_connection, "_NET_WM_USER_TIME");
    m_userTimeWindowAtom = internAtom(m_connection, "_NET_WM_USER_TIME_WINDOW");
    m_leaderAtom = internAtom(m_connection, "WM_CLIENT_LEADER");
    // The root window tells of a change of the active window; Qt's own wishes kept.
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection,
                                        xcb_get_window_attributes(m_connection, m_root), nullptr),
        &std::free);
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    qGuiApp->installNativeEventFilter(this);
}

FocusKeeper::~FocusKeeper() {
    if (m_connection && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

std::string FocusKeeper::startupId() {
    QWindow* focused = m_connection ? QGuiApplication::focusWindow() : nullptr;
    if (!focused)
        return {};
    while (focused->transientParent())
        focused = focused->transientParent();
    const auto window = static_cast<xcb_window_t>(focused->winId());
    const xcb_window_t timeWindow = value32(m_connection, window, m_userTimeWindowAtom);
    const std::uint32_t userTime =
        value32(m_connection, timeWindow ? timeWindow : window, m_userTimeAtom);
    std::string id = "liedspur-" + std::to_string(::getpid()) + "-" + std::to_string(++m_started);
    // Just before the user's last input here: the new window counts as older than it.
    if (userTime > 1)
        id += "_TIME" + std::to_string(userTime - 1);
    const Clock::time_point now = Clock::now();
    if (now > m_keepUntil)
        m_ids.clear();
    m_ids.insert(id);
    m_focused = focused;
    m_keepUntil = now + keepTime;
    return id;
}

bool FocusKeeper::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (m_ids.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window == m_root && notify->atom == m_activeWindowAtom)
        activeWindowChanged();
    return false;
}

void FocusKeeper::activeWindowChanged() {
    if (Clock::now() > m_keepUntil || !m_focused) {
        m_ids.clear();
        return;
    }
    const xcb_window_t active = value32(m_connection, m_root, m_activeWindowAtom);
    if (active == XCB_WINDOW_NONE)
        return;
    // The startup id is on the window, or on the leader of its program's windows.
    std::string id = text(m_connection, active, m_startupIdAtom);
    if (id.empty())
        id = text(m_connection, value32(m_connection, active, m_leaderAtom), m_startupIdAtom);
    if (!m_ids.contains(id))
        return;
    m_ids.clear();
    m_focused->requestActivate();
}

} // namespace liedspur
