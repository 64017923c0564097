#pragma once

#include "index/IndexSnapshot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace liedspur {

// The upper-case forms of every file name and folder path of a snapshot, made once per
// load so that each search is one substring scan over one buffer.
class SearchIndex {
public:
    SearchIndex() : SearchIndex(std::make_shared<const IndexSnapshot>()) {}
    explicit SearchIndex(IndexPtr snapshot);

    const IndexPtr& snapshot() const { return m_snapshot; }

    // Upper-case texts back to back, each followed by '\n', which no line can hold.
    struct Texts {
        std::string bytes;
        std::vector<std::uint64_t> starts; // row r (from 1) starts at starts[r - 1]
    };
    const Texts& fileNames() const { return m_fileNames; }
    const Texts& folders() const { return m_folders; }

    std::size_t memoryUse() const;

private:
    IndexPtr m_snapshot;
    Texts m_fileNames;
    Texts m_folders;
};

using SearchIndexPtr = std::shared_ptr<const SearchIndex>;

} // namespace liedspur
