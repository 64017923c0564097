#include "player/CommandLine.h"

namespace liedspur {

namespace {

constexpr char quote = '"';
constexpr std::string_view addSwitch = "/add";

std::string quoted(std::string_view target) {
    std::string text;
    text.reserve(target.size() + 2);
    text += quote;
    text += target;
    text += quote;
    return text;
}

LaunchRequest playerLaunch(std::string_view playerPath, std::vector<std::string> arguments) {
    return {LaunchRequest::Target::Player, std::string(playerProgram(playerPath)),
            std::move(arguments), WindowStyle::NormalNoFocus};
}

} // namespace

std::string_view playerProgram(std::string_view playerPath) {
    if (!playerPath.empty() && playerPath.back() == ' ')
        playerPath.remove_suffix(1);
    return playerPath;
}

CommandLine playCommand(std::string_view playerPath, std::string_view target) {
    std::string text(playerPath);
    text += quoted(target);
    return {playerLaunch(playerPath, {std::string(target)}), std::move(text)};
}

CommandLine addCommand(std::string_view playerPath, std::string_view target) {
    std::string text(playerPath);
    text += addSwitch;
    text += ' ';
    text += quoted(target);
    return {playerLaunch(playerPath, {std::string(addSwitch), std::string(target)}),
            std::move(text)};
}

CommandLine explorerCommand(std::string_view folder) {
    std::string text = "Explorer.exe";
    text += ' ';
    text += folder;
    return {
        {LaunchRequest::Target::FileManager, {}, {std::string(folder)}, WindowStyle::NormalFocus},
        std::move(text)};
}

} // namespace liedspur
