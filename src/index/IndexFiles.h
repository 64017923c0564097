#pragma once

#include <string>
#include <string_view>

namespace liedspur::indexfiles {

// The files of the index and of a run, all in the application directory. The lower-case
// names serve every reader and writer alike, as the file system tells case apart.
inline constexpr std::string_view songList = "index.dat";
inline constexpr std::string_view songCount = "files.dat";
inline constexpr std::string_view folderList = "index1.dat";
inline constexpr std::string_view folderCount = "ordner.dat";
inline constexpr std::string_view runSongList = "mp3.tmp";
inline constexpr std::string_view runFolderList = "ordner.tmp";
inline constexpr std::string_view settings = "Plattenbox.ini";

inline constexpr std::string_view lineEnd = "\r\n";

inline std::string path(const std::string& directory, std::string_view name) {
    std::string result = directory;
    result += '/';
    result += name;
    return result;
}

} // namespace liedspur::indexfiles
