#pragma once

#include "index/IndexSnapshot.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace liedspur {

// The upper-case forms of every file name and folder path of a snapshot, made once per
// load so that each search is one substring scan over one buffer.
class SearchIndex {
public:
    SearchIndex() : SearchIndex(std::make_shared<const IndexSnapshot>()) {}
    explicit SearchIndex(IndexPtr snapshot);

    const IndexPtr& snapshot() const { return m_snapshot; }

    // The upper-case form of a table's lines, each followed by '\n', which no line holds.
    class Texts {
    public:
        Texts() { m_ownStarts.push_back(0); }
        // `lines` must outlive the texts: where no line changes its length, they share its
        // offsets.
        explicit Texts(const LineTable& lines);

        std::string_view bytes() const { return {m_bytes.data(), m_bytes.size()}; }
        // Row r (from 1) starts at starts()[r - 1]; starts()[size()] ends the text.
        const LineOffsets& starts() const { return m_sharedStarts ? *m_sharedStarts : m_ownStarts; }
        std::size_t size() const { return starts().size() - 1; }

    private:
        RawArray<char> m_bytes;
        const LineOffsets* m_sharedStarts = nullptr;
        LineOffsets m_ownStarts;
    };
    const Texts& fileNames() const { return m_fileNames; }
    const Texts& folders() const { return m_folders; }

private:
    IndexPtr m_snapshot;
    Texts m_fileNames;
    Texts m_folders;
};

using SearchIndexPtr = std::shared_ptr<const SearchIndex>;

} // namespace liedspur
