#include "Command.h"

namespace liedspur::adapter {

namespace {

bool isAddOption(std::string_view argument) {
    constexpr std::string_view option = "/add";
    if (argument.size() != option.size())
        return false;
    for (std::size_t i = 0; i < option.size(); ++i) {
        const char c = argument[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != option[i])
            return false;
    }
    return true;
}

bool keptInUri(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::optional<Command> parseArguments(const std::vector<std::string>& arguments) {
    Command command;
    if (arguments.size() == 1) {
        command.target = arguments[0];
    } else if (arguments.size() == 2 && isAddOption(arguments[0])) {
        command.mode = Mode::Add;
        command.target = arguments[1];
    } else {
        return std::nullopt;
    }
    if (command.target.empty())
        return std::nullopt;
    return command;
}

std::string absolutePath(std::string_view target, std::string_view workingDirectory) {
    if (!target.empty() && target.front() == '/')
        return std::string(target);
    std::string path(workingDirectory);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += target;
    return path;
}

std::string fileUri(std::string_view absolutePath) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + absolutePath.size() * 3);
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInUri(byte)) {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0xF];
        }
    }
    return uri;
}

} // namespace liedspur::adapter
