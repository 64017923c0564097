#include "CaseFold.h"

#include <QChar>

#include <array>
#include <cstdint>
#include <cstring>

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

// Eight ASCII bytes upper-cased at once: a byte gets its 0x20 bit cleared when it lies in
// 'a'..'z'. Only valid while no byte has its top bit set, so no sum carries over.
std::uint64_t upperCaseAscii(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    const std::uint64_t atLeastA = word + ones * (0x80 - 'a');
    const std::uint64_t aboveZ = word + ones * (0x80 - 'z' - 1);
    const std::uint64_t lower = (atLeastA ^ aboveZ) & (ones * 0x80);
    return word ^ (lower >> 2);
}

} // namespace

char* writeUpperCase(char* out, std::string_view text) {
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
        if (end - in >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in, 8);
            if ((word & 0x8080808080808080) == 0) {
                word = upperCaseAscii(word);
                std::memcpy(out, &word, 8);
                out += 8;
                in += 8;
                continue;
            }
        } else if (text.size() >= 8) {
            // The last few bytes as the word that ends with them: when it is all ASCII, the
            // bytes before them were ASCII too and were written one to one just before `out`.
            const std::size_t rest = static_cast<std::size_t>(end - in);
            std::uint64_t word;
            std::memcpy(&word, end - 8, 8);
            if ((word & 0x8080808080808080) == 0) {
                word = upperCaseAscii(word);
                std::memcpy(out + rest - 8, &word, 8);
                return out + rest;
            }
        }
        const auto byte = static_cast<unsigned char>(*in);
        if (byte < 0x80) {
            *out++ = asciiUpper[byte];
            ++in;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length =
            decodeUtf8(std::string_view(in, static_cast<std::size_t>(end - in)), codePoint);
        if (length == 0) {
            *out++ = *in++;
            continue;
        }
        // QChar's simple mapping is one to one: a character without a single upper case keeps its
        // own.
        out += encodeUtf8(out, QChar::toUpper(codePoint));
        in += length;
    }
    return out;
}

void appendUpperCase(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.resize(start + maxUpperCaseBytes(text.size()));
    char* const end = writeUpperCase(out.data() + start, text);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string toUpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendUpperCase(out, text);
    return out;
}

} // namespace liedspur
