#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace liedspur::adapter {

// What the player is asked to do with its target, a song file or a folder.
enum class Mode { Play, Add };

struct Command {
    Mode mode = Mode::Play;
    std::string target;

    bool operator==(const Command&) const = default;
};

// The command of the arguments after the program's name: "TARGET" plays, "/add TARGET"
// ("/add" in any letter case) adds. A lone argument is always the target, even "/add".
// None for any other form or an empty target.
std::optional<Command> parseArguments(const std::vector<std::string>& arguments);

// The target as an absolute path: a relative one is taken from `workingDirectory`.
std::string absolutePath(std::string_view target, std::string_view workingDirectory);

// The file:// URI of an absolute path, every byte but letters, digits, "-._~" and "/"
// percent-encoded: the player would drop a plain path, and reads an unencoded "#" or "?"
// as the start of a fragment or a subtune.
std::string fileUri(std::string_view absolutePath);

} // namespace liedspur::adapter
