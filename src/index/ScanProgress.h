#pragma once

#include <cstdint>
#include <string_view>

namespace liedspur {

// The counters of one index run.
struct ScanCounters {
    std::uint64_t filesFound = 0;
    std::uint64_t foldersFound = 0;
    // Subfolders entered, not counting the start folder.
    std::uint64_t foldersEntered = 0;
};

// What a folder scan tells and asks the window that runs it, in the order it happens.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;

    // A chance to let window events run; called on entering a folder and after every file.
    virtual void yield() = 0;
    // Looked at before every file and every subfolder.
    virtual bool cancelRequested() = 0;
    // Asked once per folder.
    virtual bool includeSubfolders() = 0;

    virtual void folderListed(std::string_view folderLine, const ScanCounters& counters) = 0;
    virtual void songFound(std::string_view fullPath, const ScanCounters& counters) = 0;
    virtual void folderEntered(std::string_view path, const ScanCounters& counters) = 0;
    // The scan saw the cancel and is stopping; may come once per folder level.
    virtual void stoppedOnCancel() = 0;
};

} // namespace liedspur
