#pragma once

#include "index/ScanProgress.h"

#include <functional>
#include <string>
#include <vector>

namespace liedspur::testing {

// Records what a folder scan reports, and cancels it once `cancelWhen` says so.
class RecordingProgress : public ScanProgress {
public:
    void yield() override {
        if (onYield)
            onYield();
    }
    bool cancelRequested() override {
        ++cancelChecks;
        return cancelWhen && cancelWhen();
    }
    bool includeSubfolders() override { return subfolders; }
    void folderListed(std::string_view line, const ScanCounters&) override {
        folderLines.emplace_back(line);
    }
    void songFound(std::string_view path, const ScanCounters&) override {
        songs.emplace_back(path);
    }
    void folderEntered(std::string_view path, const ScanCounters&) override {
        entered.emplace_back(path);
    }
    void stoppedOnCancel() override {}

    std::function<void()> onYield;
    std::function<bool()> cancelWhen;
    bool subfolders = true;
    std::vector<std::string> songs, folderLines, entered;
    std::size_t cancelChecks = 0;
};

} // namespace liedspur::testing
