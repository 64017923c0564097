#pragma once

#include <string>
#include <utility>
#include <variant>

namespace liedspur {

// A failure as the user is told about it: the system's description of what went wrong.
struct Error {
    std::string description;
};

// A value or the error that kept it from being made.
template <typename T> class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Error error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(m_state); }
    const T& value() const& { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const Error& error() const { return std::get<Error>(m_state); }

private:
    std::variant<T, Error> m_state;
};

struct Success {};
using Status = Result<Success>;

inline Status success() {
    return Success{};
}

} // namespace liedspur
