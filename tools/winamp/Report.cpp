#include "Report.h"

#include "Spawn.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace liedspur::adapter {

namespace {

using namespace std::chrono_literals;

// A notification shown this recently is still on screen: a new failure joins it.
constexpr std::int64_t joinWindowMilliseconds = 10000;
// A notification server may be started by the bus on demand: it gets a moment.
constexpr std::chrono::milliseconds notifyLimit = 3s;

// Bus strings must be UTF-8; a path or system message in another encoding loses its odd
// bytes.
std::string busText(std::string text) {
    if (!dbus_validate_utf8(text.c_str(), nullptr))
        for (char& c : text)
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
    return text;
}

std::string messageProgram() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string self(path, static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "liedspur-meldung";
}

std::string more(std::uint32_t failures) {
    if (failures < 2)
        return {};
    const std::uint32_t others = failures - 1;
    return "\nUnd " + std::to_string(others) +
           (others == 1 ? " weiterer Fehler." : " weitere Fehler.");
}

std::int64_t wallMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The failures an open dialog shows, one headline a line; it watches the file for more.
std::string failureList(Turns* turns) {
    return turns ? turns->folder() + "/failures" : std::string();
}

} // namespace

void report(const Failure& failure, SessionBus* bus, Turns* turns, Clock::time_point until) {
    std::fprintf(stderr, "winamp.exe: %s: %s\n", failure.headline.c_str(), failure.detail.c_str());
    SharedState::Shown shown;
    if (turns)
        turns->update([&](SharedState& state) { shown = state.shown; });
    const std::int64_t now = wallMilliseconds();
    const std::string list = failureList(turns);

    if (shown.dialog.pid != 0 && shown.dialog.alive()) {
        std::ofstream(list, std::ios::app) << failure.headline << '\n';
        ++shown.failures;
    } else {
        const bool join = shown.notification != 0 && shown.failures > 0 &&
                          now - shown.atMilliseconds < joinWindowMilliseconds;
        if (!join)
            shown = SharedState::Shown{};
        ++shown.failures;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        const std::optional<std::uint32_t> notification =
            bus && left > 0ms ? bus->notify(shown.notification, busText(failure.headline),
                                            busText(failure.detail + more(shown.failures)),
                                            std::min(left, notifyLimit))
                              : std::nullopt;
        if (notification) {
            shown.notification = *notification;
        } else if (hasDisplay()) {
            if (!list.empty())
                std::ofstream(list, std::ios::trunc) << failure.headline << '\n';
            pid_t pid = 0;
            if (spawnDetached(messageProgram().c_str(), {failure.headline, failure.detail, list},
                              false, pid) != 0)
                return;
            shown = SharedState::Shown{};
            shown.failures = 1;
            shown.dialog = ProcessId::of(pid);
        } else {
            return;
        }
    }
    shown.atMilliseconds = now;
    if (turns)
        turns->update([&](SharedState& state) { state.shown = shown; });
}

} // namespace liedspur::adapter
