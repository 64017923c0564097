#include "SearchIndex.h"

#include "CaseFold.h"

#include "index/MemoryAdvice.h"

namespace liedspur {

namespace {

template <typename TextOf>
SearchIndex::Texts upperCaseTexts(std::size_t count, std::size_t bytesHint, TextOf textOf) {
    SearchIndex::Texts texts;
    texts.starts.reserve(count);
    adviseLargeBuffer(texts.starts.data(), count * sizeof(std::uint64_t));
    // Written through a pointer into room made ahead: this runs over every name of a load.
    std::string& bytes = texts.bytes;
    const std::size_t room = bytesHint + count + bytesHint / 16 + 64;
    bytes.reserve(room);
    adviseLargeBuffer(bytes.data(), room);
    bytes.resize(room);
    std::size_t written = 0;
    for (std::size_t row = 1; row <= count; ++row) {
        const std::string_view text = textOf(row);
        const std::size_t needed = maxUpperCaseBytes(text.size()) + 1;
        if (bytes.size() - written < needed)
            bytes.resize(bytes.size() + bytes.size() / 16 + needed);
        texts.starts.push_back(written);
        char* const end = writeUpperCase(bytes.data() + written, text);
        *end = '\n';
        written = static_cast<std::size_t>(end + 1 - bytes.data());
    }
    bytes.resize(written);
    return texts;
}

} // namespace

SearchIndex::SearchIndex(IndexPtr snapshot) : m_snapshot(std::move(snapshot)) {
    const IndexSnapshot& index = *m_snapshot;
    std::size_t nameBytes = 0;
    for (std::size_t row = 1; row <= index.songCount(); ++row)
        nameBytes += index.fileName(row).size();
    m_fileNames = upperCaseTexts(index.songCount(), nameBytes,
                                 [&](std::size_t row) { return index.fileName(row); });
    std::size_t folderBytes = 0;
    for (std::size_t row = 1; row <= index.folderCount(); ++row)
        folderBytes += index.folder(row).size();
    m_folders = upperCaseTexts(index.folderCount(), folderBytes,
                               [&](std::size_t row) { return index.folder(row); });
}

std::size_t SearchIndex::memoryUse() const {
    return m_fileNames.bytes.capacity() + m_fileNames.starts.capacity() * sizeof(std::uint64_t) +
           m_folders.bytes.capacity() + m_folders.starts.capacity() * sizeof(std::uint64_t);
}

} // namespace liedspur
