#include "index/SaveCommit.h"

#include "base/LineSplitter.h"
#include "base/SystemError.h"
#include "index/CountLine.h"
#include "index/IndexFiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <utility>

namespace liedspur {

namespace {

using namespace indexfiles;
using savecommit::FileId;
using savecommit::stagedPath;

constexpr std::array<std::string_view, 4> indexFileNames = {songList, songCount, folderList,
                                                            folderCount};
// The first line of every record, so that no other file is ever taken for one.
constexpr std::string_view recordMark = "Liedspur: gespeichert";
constexpr std::size_t recordLimit = 4096;
// After the commit point a failed call is made again a few times: the save has happened,
// and what it leaves undone waits for the next load.
constexpr int attempts = 3;

using Entry = savecommit::Staged;

struct Record {
    std::string run;
    std::vector<Entry> entries;
};

constexpr std::size_t chunkSize = 1 << 20;

std::string recordPath(const std::string& directory) {
    return path(directory, savecommit::recordName);
}

std::string recordText(std::string_view run, const std::vector<Entry>& entries) {
    std::string text(recordMark);
    text += lineEnd;
    text += run;
    text += lineEnd;
    for (const Entry& entry : entries) {
        text += entry.name;
        text += ' ' + std::to_string(entry.id.size) + ' ' + std::to_string(entry.id.checksum);
        text += lineEnd;
    }
    return text;
}

struct RecordLines {
    std::vector<std::string> lines;

    const char* findLineEnd(const char* from, const char* end, bool) {
        return firstLineEnd(from, end);
    }
    void addLine(std::string_view line) { lines.emplace_back(line); }
    void addCarriedLine(std::string_view line) { lines.emplace_back(line); }
};

// "index.dat 1234 5678": a file the record names, its size and checksum.
std::optional<Entry> parseEntry(std::string_view line) {
    const auto nameEnd = line.find(' ');
    const auto sizeEnd = line.find(' ', nameEnd + 1);
    if (nameEnd == std::string_view::npos || sizeEnd == std::string_view::npos)
        return std::nullopt;
    const auto known =
        std::find(indexFileNames.begin(), indexFileNames.end(), line.substr(0, nameEnd));
    const auto size = parseCountLine(line.substr(nameEnd + 1, sizeEnd - nameEnd - 1));
    const auto checksum = parseCountLine(line.substr(sizeEnd + 1));
    if (known == indexFileNames.end() || !size || !checksum)
        return std::nullopt;
    return Entry{*known, FileId{*size, *checksum}};
}

// What the regular file at `path` holds, read through `ops`.
Result<FileId> identify(const std::string& path, const FileOps& ops) {
    Result<FileDescriptor> fd = ops.open(path, O_RDONLY);
    if (!fd)
        return fd.error();
    savecommit::Checksum checksum;
    std::vector<char> chunk(chunkSize);
    for (off_t offset = 0;;) {
        const Result<std::size_t> got = ops.readAt(fd.value(), chunk.data(), chunk.size(), offset);
        if (!got)
            return got.error();
        if (got.value() == 0)
            break;
        checksum.add({chunk.data(), got.value()});
        offset += static_cast<off_t>(got.value());
    }
    ops.close(fd.value()).ignoreError();
    return checksum.id();
}

// The record a commit wrote; none for text that no commit wrote. Records are renamed into
// place whole, so every line of one is there with its line end.
std::optional<Record> parseRecord(std::string_view text) {
    RecordLines collected;
    LineSplitter splitter(collected, recordLimit, recordLimit);
    splitter.feed(text.data(), text.size());
    splitter.finish();
    const std::vector<std::string>& lines = collected.lines;
    if (splitter.lastLineUnended() || lines.size() < 3 || lines[0] != recordMark ||
        lines[1].empty())
        return std::nullopt;
    Record record{lines[1], {}};
    for (auto line = lines.begin() + 2; line != lines.end(); ++line) {
        const auto entry = parseEntry(*line);
        if (!entry || std::any_of(record.entries.begin(), record.entries.end(),
                                  [&](const Entry& e) { return e.name == entry->name; }))
            return std::nullopt;
        record.entries.push_back(*entry);
    }
    return record;
}

template <typename Call> Status retried(Call call) {
    Status status = call();
    for (int attempt = 1; attempt < attempts && !status; ++attempt)
        status = call();
    return status;
}

// Of the record's files, those whose new version still waits beside its final name. Fails
// with ENOENT when one is neither there nor in place (the save can never be finished), and
// with another error when one cannot be looked at; then nothing is moved.
Result<std::vector<std::string_view>> waitingFiles(const std::string& directory,
                                                   const Record& record, const FileOps& ops) {
    std::vector<std::string_view> waiting;
    for (const Entry& entry : record.entries) {
        const std::string staged = stagedPath(directory, entry.name);
        const Result<FileId> stagedId = identify(staged, ops);
        if (stagedId) {
            // Another file by that name is none the save staged.
            if (stagedId.value() != entry.id)
                return systemError(ENOENT, fileNameOf(staged));
            waiting.push_back(entry.name);
            continue;
        }
        if (!stagedId.failedWith(ENOENT))
            return stagedId.error();
        // Gone from beside it: moved by an earlier roll forward, or lost. Only the bytes
        // tell, as a copy of the folder keeps them and nothing else.
        const Result<FileId> finalId = identify(path(directory, entry.name), ops);
        if (!finalId && !finalId.failedWith(ENOENT))
            return finalId.error();
        if (!finalId || finalId.value() != entry.id)
            return stagedId.error();
    }
    return waiting;
}

// Moves the waiting files into place and deletes the record; what it leaves is Pending.
Status rollForward(const std::string& directory, std::vector<std::string_view>& waiting,
                   const FileOps& ops) {
    const auto syncFolder = [&] { return ops.syncDirectory(directory); };
    // The record must be on disk before any staged file takes its final name: a rename that
    // outlived a lost record would leave the files mixed.
    if (Status synced = retried(syncFolder); !synced)
        return synced;
    while (!waiting.empty()) {
        const std::string_view name = waiting.front();
        if (Status moved = retried(
                [&] { return ops.rename(stagedPath(directory, name), path(directory, name)); });
            !moved)
            return moved;
        waiting.erase(waiting.begin());
    }
    // The renames must be on disk before the record that would repeat them is gone.
    if (Status synced = retried(syncFolder); !synced)
        return synced;
    if (Status removed = retried([&] { return ops.remove(recordPath(directory)); }); !removed)
        return removed;
    // Should the removal not last, the next load finds every file in place and removes it again.
    retried(syncFolder).ignoreError();
    return success();
}

// The text of the file by the record's name, or none when there is none. A folder or the
// like in its place holds no record: its text is empty.
Result<std::optional<std::string>> readRecord(const std::string& directory, const FileOps& ops) {
    Result<FileDescriptor> fd = ops.open(recordPath(directory), O_RDONLY);
    if (fd.failedWith(ENOENT))
        return std::optional<std::string>();
    if (fd.failedWith(EISDIR) || fd.failedWith(ENXIO))
        return std::optional<std::string>(std::string());
    if (!fd)
        return fd.error();
    // One byte more than a record may hold, to tell a longer file.
    std::string text(recordLimit + 1, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const Result<std::size_t> got = ops.readAt(
            fd.value(), text.data() + filled, text.size() - filled, static_cast<off_t>(filled));
        if (!got)
            return got.error();
        if (got.value() == 0)
            break;
        filled += got.value();
    }
    // Read only: how its close goes changes nothing.
    ops.close(fd.value()).ignoreError();
    text.resize(filled);
    return std::optional<std::string>(std::move(text));
}

} // namespace

std::string PendingSave::pathOf(const std::string& directory, std::string_view name) const {
    if (std::find(waiting.begin(), waiting.end(), name) != waiting.end())
        return stagedPath(directory, name);
    return path(directory, name);
}

PendingSave finishPendingSave(const std::string& directory, const FileOps& ops) {
    PendingSave pending;
    const auto text = readRecord(directory, ops);
    if (!text) {
        pending.state = PendingSave::State::Unreadable;
        pending.problem = text.error();
        return pending;
    }
    if (!text.value())
        return pending;
    const std::optional<Record> record =
        text.value()->size() <= recordLimit ? parseRecord(*text.value()) : std::nullopt;
    // Not ours: left as it is, and no save is pending.
    if (!record) {
        pending.foreignRecord = true;
        return pending;
    }
    pending.run = record->run;
    auto waiting = waitingFiles(directory, *record, ops);
    if (!waiting) {
        pending.state = waiting.failedWith(ENOENT) ? PendingSave::State::Broken
                                                   : PendingSave::State::Unreadable;
        pending.problem = waiting.error();
        return pending;
    }
    pending.waiting = std::move(waiting.value());
    if (Status done = rollForward(directory, pending.waiting, ops); !done) {
        pending.state = PendingSave::State::Pending;
        pending.problem = done.error();
        return pending;
    }
    pending.state = PendingSave::State::Finished;
    return pending;
}

namespace savecommit {

std::string stagedPath(const std::string& directory, std::string_view name) {
    return path(directory, name) + std::string(stagedSuffix);
}

void abandon(const std::string& directory, const std::vector<std::string_view>& names,
             const FileOps& ops) {
    // What cannot be deleted now stays harmless: no load reads it, and the next save of the
    // same file writes it anew.
    for (const std::string_view name : names)
        ops.remove(stagedPath(directory, name)).ignoreError();
    ops.remove(stagedPath(directory, recordName)).ignoreError();
}

Result<Committed> commit(const std::string& directory, const std::vector<Staged>& staged,
                         std::string_view run, const FileOps& ops) {
    std::vector<std::string_view> names;
    for (const Staged& file : staged)
        names.push_back(file.name);
    const std::string stagedRecord = stagedPath(directory, recordName);
    const auto writeRecord = [&]() -> Status {
        Result<FileDescriptor> fd =
            ops.open(stagedRecord, O_WRONLY | O_CREAT | O_TRUNC, std::string(recordName));
        if (!fd)
            return fd.error();
        Status written = ops.writeAllAt(fd.value(), recordText(run, staged), 0);
        if (written)
            written = ops.sync(fd.value());
        if (written)
            written = ops.close(fd.value());
        // The staged files' names must be on disk before a record that names them.
        if (written)
            written = ops.syncDirectory(directory);
        if (written)
            written = ops.rename(stagedRecord, recordPath(directory));
        return written;
    };
    if (Status written = writeRecord(); !written) {
        abandon(directory, names, ops);
        return written.error();
    }
    // Committed: from here on the index is the new one, whatever fails.
    if (!rollForward(directory, names, ops))
        return Committed::Pending;
    return Committed::Finished;
}

void Checksum::add(std::string_view bytes) {
    const auto mix = [this](std::uint64_t word) {
        m_sum = std::rotl((m_sum ^ word) * 0x9E3779B97F4A7C15u, 29) * 0xBF58476D1CE4E5B9u;
    };
    for (; !bytes.empty() && m_size % 8 != 0; bytes.remove_prefix(1)) {
        m_partial |= std::uint64_t{static_cast<unsigned char>(bytes.front())} << (8 * (m_size % 8));
        if (++m_size % 8 == 0)
            mix(std::exchange(m_partial, 0));
    }
    for (; bytes.size() >= 8; bytes.remove_prefix(8)) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data(), 8);
        // Read as the bytes of a word begun are put together, whatever the processor.
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        mix(word);
        m_size += 8;
    }
    for (const char c : bytes)
        m_partial |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * (m_size++ % 8));
}

FileId Checksum::id() const {
    // The size goes in too, so that trailing zeros are no partial word's secret.
    return {m_size, std::rotl((m_sum ^ m_partial) * 0x9E3779B97F4A7C15u, 29) ^ m_size};
}

} // namespace savecommit

} // namespace liedspur
