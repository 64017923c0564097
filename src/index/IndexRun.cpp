#include "index/IndexRun.h"

#include "index/IndexFiles.h"
#include "index/LineWriter.h"

namespace liedspur {

Result<ScanEnd, RunFailure> IndexRun::run(const std::string& directory,
                                          const std::string& startFolder, ScanProgress& progress) {
    m_counters = {};
    auto songs = LineWriter::create(indexfiles::path(directory, indexfiles::runSongList));
    if (!songs)
        return RunFailure{false, songs.error()};
    auto folders = LineWriter::create(indexfiles::path(directory, indexfiles::runFolderList));
    if (!folders)
        return RunFailure{false, folders.error()};

    FolderScan scan(songs.value(), folders.value(), progress, m_readAhead);
    Result<ScanEnd, RunFailure> end = scan.scan(startFolder);
    m_counters = scan.counters();
    // Both lists are closed in every case; the first failure is the one reported.
    Status songsClosed = songs.value().close();
    Status foldersClosed = folders.value().close();
    if (!end)
        return end;
    if (!songsClosed)
        return RunFailure{false, songsClosed.error()};
    if (!foldersClosed)
        return RunFailure{false, foldersClosed.error()};
    return end;
}

} // namespace liedspur
