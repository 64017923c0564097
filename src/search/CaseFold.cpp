#include "CaseFold.h"

#include <QChar>

#include <array>
#include <cstdint>

namespace liedspur {

namespace {

// Length of the valid UTF-8 sequence at the start of `text` and its code point, or 0.
std::size_t decodeUtf8(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

// Writes `c` as UTF-8 at `out`, which has room for four bytes; returns the bytes written.
std::size_t encodeUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

constexpr std::array<char, 128> asciiUpper = [] {
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c)
        table[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return table;
}();

} // namespace

void appendUpperCase(std::string& out, std::string_view text) {
    // Written through a pointer into room made ahead: this runs over every name of a load.
    std::size_t written = out.size();
    out.resize(written + text.size() + 4);
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out[written++] = asciiUpper[byte];
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length = decodeUtf8(text.substr(i), codePoint);
        if (length == 0) {
            out[written++] = text[i];
            ++i;
            continue;
        }
        // An upper case can take more bytes than its letter (U+0250 → U+2C6F).
        if (out.size() < written + 4 + (text.size() - i))
            out.resize(written + 4 + (text.size() - i) + 16);
        // QChar's simple mapping is one to one: a character without a single upper case keeps its own.
        written += encodeUtf8(out.data() + written, QChar::toUpper(codePoint));
        i += length;
    }
    out.resize(written);
}

std::string toUpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendUpperCase(out, text);
    return out;
}

} // namespace liedspur
