#pragma once

#include "base/Result.h"
#include "index/FolderScan.h"
#include "index/ScanProgress.h"

#include <string>

namespace liedspur {

// One index run: empties mp3.tmp and ordner.tmp in `directory`, scans `startFolder` into
// them and closes both, whatever happened. The index files are not touched.
class IndexRun {
public:
    explicit IndexRun(ListingReadAhead::Limits readAhead = {}) : m_readAhead(readAhead) {}

    // Fails when a temporary list cannot be created, written or closed, or when the start
    // folder cannot be opened or does not answer; the lists then hold what was written up
    // to there.
    Result<ScanEnd, RunFailure> run(const std::string& directory, const std::string& startFolder,
                                    ScanProgress& progress);

    // The counters of the last run, also after a failure.
    const ScanCounters& counters() const { return m_counters; }

private:
    ListingReadAhead::Limits m_readAhead;
    ScanCounters m_counters;
};

} // namespace liedspur
