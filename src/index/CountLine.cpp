#include "index/CountLine.h"

#include <charconv>

namespace liedspur {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::optional<std::uint64_t> parseCountLine(std::string_view line) {
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    if (line.empty() || line.front() < '0' || line.front() > '9')
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || end != line.data() + line.size())
        return std::nullopt;
    return value;
}

std::string formatCountLine(std::uint64_t count) {
    return " " + std::to_string(count) + " ";
}

} // namespace liedspur
