#include "SearchIndex.h"

#include "CaseFold.h"

namespace liedspur {

namespace {

template <typename TextOf>
SearchIndex::Texts upperCaseTexts(std::size_t count, std::size_t bytesHint, TextOf textOf) {
    SearchIndex::Texts texts;
    texts.starts.reserve(count);
    texts.bytes.reserve(bytesHint + count + bytesHint / 16);
    for (std::size_t row = 1; row <= count; ++row) {
        texts.starts.push_back(texts.bytes.size());
        appendUpperCase(texts.bytes, textOf(row));
        texts.bytes += '\n';
    }
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
