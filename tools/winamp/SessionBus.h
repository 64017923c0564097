#pragma once

#include "base/Result.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DBusConnection;

namespace liedspur::adapter {

// One private connection to the user's session bus.
class SessionBus {
public:
    struct Error {
        std::string name;
        std::string message;
    };

    // Fails with the reason when there is no session bus to reach. May block for as long as
    // the bus does not answer.
    static Result<SessionBus, std::string> connect();
    ~SessionBus();
    SessionBus(SessionBus&& other) noexcept;
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;
    SessionBus& operator=(SessionBus&&) = delete;

    // Calls `method` of the player's interface with one list of URIs and waits for its
    // answer; never starts the player through the bus.
    Result<Success, Error> callPlayer(const char* method, const std::vector<std::string>& uris,
                                      std::chrono::milliseconds timeout);
    // Whether the player has its name on the bus; asks the bus, not the player.
    bool playerOnTheBus(std::chrono::milliseconds timeout);
    // Shows a desktop notification, replacing notification `replaces` where it is still
    // shown; its number, or none when no notification server answers in time.
    std::optional<std::uint32_t> notify(std::uint32_t replaces, const std::string& summary,
                                        const std::string& body, std::chrono::milliseconds timeout);

private:
    explicit SessionBus(DBusConnection* connection) : m_connection(connection) {}

    DBusConnection* m_connection = nullptr;
};

// Errors with which the bus or the player say that the call was not taken at all, so it
// may be made again: no player on the bus, or one that is still setting up its object.
bool callNotTaken(const SessionBus::Error& error);
bool noPlayerOnTheBus(const SessionBus::Error& error);

} // namespace liedspur::adapter
