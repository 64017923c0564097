#pragma once

#include <string>
#include <utility>
#include <variant>

namespace liedspur {

// A failure as the user is told about it: the system's description of what went wrong.
struct Error {
    std::string description;
    // The system's error number (errno) when a system call failed, else 0: a caller may
    // expect some of them, such as a file that is not there.
    int systemErrorNumber = 0;
};

// A value or the error that kept it from being made. Never dropped unseen: a caller that
// has no use for a failure says so with ignoreError(). Header only, so that the player
// adapter uses it too; its errors are its own.
template <typename T, typename E = Error> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(E error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(m_state); }
    const T& value() const& { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const E& error() const { return std::get<E>(m_state); }
    // Whether it failed with the system error number `errorNumber` (for errors of type Error).
    bool failedWith(int errorNumber) const {
        return !ok() && error().systemErrorNumber == errorNumber;
    }

    // The caller goes on alike whether or not this failed.
    void ignoreError() const {}

private:
    std::variant<T, E> m_state;
};

struct Success {};
using Status = Result<Success>;

inline Status success() {
    return Success{};
}

} // namespace liedspur
