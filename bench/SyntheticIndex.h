#pragma once

#include <cstddef>
#include <string>

namespace liedspur::bench {

struct SyntheticIndexSize {
    std::size_t songs = 1'000'000;
    std::size_t songsPerFolder = 10;
    // One file name and one folder of capital W's, three quarters down the first million
    // songs: the widest texts of the index, though far from the longest in bytes.
    bool wideTexts = false;
};

// Writes the four index files of a made-up music collection into `directory`: German and
// English names with umlauts and blanks, the same every time. Returns the bytes written.
std::size_t writeSyntheticIndex(const std::string& directory, SyntheticIndexSize size = {});

} // namespace liedspur::bench
