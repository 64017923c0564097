#include "SessionBus.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <utility>

namespace liedspur::adapter {

namespace {

constexpr const char* playerService = "org.atheme.audacious";
constexpr const char* playerPath = "/org/atheme/audacious";
constexpr const char* playerInterface = "org.atheme.audacious";

// A libdbus error that frees itself.
struct ScopedError {
    ScopedError() { dbus_error_init(&error); }
    ~ScopedError() { dbus_error_free(&error); }
    ScopedError(const ScopedError&) = delete;
    ScopedError& operator=(const ScopedError&) = delete;

    bool isSet() const { return dbus_error_is_set(&error); }
    SessionBus::Error value() const {
        return {error.name ? error.name : "", error.message ? error.message : ""};
    }

    DBusError error;
};

struct MessageRef {
    explicit MessageRef(DBusMessage* m) : message(m) {}
    ~MessageRef() {
        if (message)
            dbus_message_unref(message);
    }
    MessageRef(const MessageRef&) = delete;
    MessageRef& operator=(const MessageRef&) = delete;

    DBusMessage* message;
};

bool appendString(DBusMessageIter& iter, const std::string& text) {
    const char* value = text.c_str();
    return dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &value);
}

int milliseconds(std::chrono::milliseconds timeout) {
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, 600000));
}

} // namespace

Result<SessionBus, std::string> SessionBus::connect() {
    ScopedError failure;
    DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SESSION, &failure.error);
    if (!connection)
        return failure.isSet() ? failure.value().message : std::string();
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    return SessionBus(connection);
}

SessionBus::SessionBus(SessionBus&& other) noexcept
    : m_connection(std::exchange(other.m_connection, nullptr)) {}

SessionBus::~SessionBus() {
    if (!m_connection)
        return;
    dbus_connection_close(m_connection);
    dbus_connection_unref(m_connection);
}

Result<Success, SessionBus::Error> SessionBus::callPlayer(const char* method,
                                                          const std::vector<std::string>& uris,
                                                          std::chrono::milliseconds timeout) {
    MessageRef call(
        dbus_message_new_method_call(playerService, playerPath, playerInterface, method));
    if (!call.message)
        return Error{DBUS_ERROR_NO_MEMORY, "out of memory"};
    dbus_message_set_auto_start(call.message, FALSE);
    DBusMessageIter arguments;
    DBusMessageIter list;
    dbus_message_iter_init_append(call.message, &arguments);
    bool built = dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY,
                                                  DBUS_TYPE_STRING_AS_STRING, &list);
    for (const std::string& uri : uris)
        built = built && appendString(list, uri);
    if (!built || !dbus_message_iter_close_container(&arguments, &list))
        return Error{DBUS_ERROR_NO_MEMORY, "out of memory"};

    ScopedError failure;
    MessageRef reply(dbus_connection_send_with_reply_and_block(
        m_connection, call.message, milliseconds(timeout), &failure.error));
    if (reply.message)
        return Success{};
    return failure.value();
}

bool SessionBus::playerOnTheBus(std::chrono::milliseconds timeout) {
    // As dbus_bus_name_has_owner, which would wait 25 s for a bus that does not answer.
    MessageRef call(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                                 DBUS_INTERFACE_DBUS, "NameHasOwner"));
    const char* name = playerService;
    if (!call.message ||
        !dbus_message_append_args(call.message, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID))
        return false;
    MessageRef reply(dbus_connection_send_with_reply_and_block(m_connection, call.message,
                                                               milliseconds(timeout), nullptr));
    dbus_bool_t owned = FALSE;
    return reply.message &&
           dbus_message_get_args(reply.message, nullptr, DBUS_TYPE_BOOLEAN, &owned,
                                 DBUS_TYPE_INVALID) &&
           owned;
}

std::optional<std::uint32_t> SessionBus::notify(std::uint32_t replaces, const std::string& summary,
                                                const std::string& body,
                                                std::chrono::milliseconds timeout) {
    MessageRef call(dbus_message_new_method_call("org.freedesktop.Notifications",
                                                 "/org/freedesktop/Notifications",
                                                 "org.freedesktop.Notifications", "Notify"));
    if (!call.message)
        return std::nullopt;
    DBusMessageIter arguments;
    DBusMessageIter actions;
    DBusMessageIter hints;
    dbus_message_iter_init_append(call.message, &arguments);
    const dbus_int32_t expires = -1;
    const bool built =
        appendString(arguments, "Liedspur") &&
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_UINT32, &replaces) &&
        appendString(arguments, "dialog-error") && appendString(arguments, summary) &&
        appendString(arguments, body) &&
        dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING_AS_STRING,
                                         &actions) &&
        dbus_message_iter_close_container(&arguments, &actions) &&
        dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &hints) &&
        dbus_message_iter_close_container(&arguments, &hints) &&
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_INT32, &expires);
    if (!built)
        return std::nullopt;

    ScopedError failure;
    MessageRef reply(dbus_connection_send_with_reply_and_block(
        m_connection, call.message, milliseconds(timeout), &failure.error));
    dbus_uint32_t id = 0;
    if (!reply.message ||
        !dbus_message_get_args(reply.message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID))
        return std::nullopt;
    return id;
}

bool noPlayerOnTheBus(const SessionBus::Error& error) {
    return error.name == DBUS_ERROR_SERVICE_UNKNOWN || error.name == DBUS_ERROR_NAME_HAS_NO_OWNER;
}

bool callNotTaken(const SessionBus::Error& error) {
    return noPlayerOnTheBus(error) || error.name == DBUS_ERROR_UNKNOWN_METHOD ||
           error.name == DBUS_ERROR_UNKNOWN_OBJECT || error.name == DBUS_ERROR_UNKNOWN_INTERFACE;
}

} // namespace liedspur::adapter
