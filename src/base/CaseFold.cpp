#include "base/CaseFold.h"

#include "base/UpperCase.h"
#include "base/Utf8.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace liedspur {

namespace {

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

// Upper cases of U+0080 to U+00FF, the letters after a lead byte C2 or C3 (umlauts and the
// other Latin-1 letters), as two UTF-8 bytes; zero where the upper case takes another length.
struct Latin1Upper {
    std::array<std::array<char, 2>, 128> bytes{};
    Latin1Upper() {
        for (char32_t c = 0x80; c <= 0xFF; ++c) {
            char encoded[4];
            if (encodeUtf8(encoded, simpleUpperCase(c)) == 2)
                bytes[c - 0x80] = {encoded[0], encoded[1]};
        }
    }
};

} // namespace

char* writeUpperCase(char* out, std::string_view text, bool& lengthsKept) {
    static const Latin1Upper latin1;
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
#if defined(__SSE2__)
        if (end - in >= 16) {
            // Sixteen bytes at once: 'a' to 'z' lose their 0x20 bit, and bytes from 0x80 on,
            // negative in a signed comparison, pass unchanged. The ASCII bytes before the
            // first other one are done; the rest written here is written again.
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1)),
                                                _mm_cmplt_epi8(block, _mm_set1_epi8('z' + 1)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_xor_si128(block, _mm_and_si128(lower, _mm_set1_epi8(0x20))));
            const auto others = static_cast<unsigned>(_mm_movemask_epi8(block));
            const int ascii = others == 0 ? 16 : std::countr_zero(others);
            in += ascii;
            out += ascii;
            if (ascii == 16)
                continue;
        } else
#endif
            if (end - in >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in, 8);
            const std::uint64_t high = word & 0x8080808080808080;
            if (high == 0) {
                word = upperCaseAscii(word);
                std::memcpy(out, &word, 8);
                out += 8;
                in += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) {
                // The ASCII bytes before the first other one fold right, as a sum carries only
                // towards later bytes; the rest written here is written again.
                const auto ascii = static_cast<std::size_t>(std::countr_zero(high) / 8);
                if (ascii > 0) {
                    word = upperCaseAscii(word);
                    std::memcpy(out, &word, 8);
                    out += ascii;
                    in += ascii;
                }
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
        if ((byte == 0xC2 || byte == 0xC3) && end - in >= 2 &&
            (static_cast<unsigned char>(in[1]) & 0xC0) == 0x80) {
            const auto& upper = latin1.bytes[((byte & 1) << 6) | (in[1] & 0x3F)];
            if (upper[0] != 0) {
                out[0] = upper[0];
                out[1] = upper[1];
                out += 2;
                in += 2;
                continue;
            }
        }
        char32_t codePoint = 0;
        const std::size_t length =
            decodeUtf8(std::string_view(in, static_cast<std::size_t>(end - in)), codePoint);
        if (length == 0) {
            *out++ = *in++;
            continue;
        }
        // The simple mapping is one to one: a character without a single upper case keeps its
        // own.
        const std::size_t written = encodeUtf8(out, simpleUpperCase(codePoint));
        lengthsKept = lengthsKept && written == length;
        out += written;
        in += length;
    }
    return out;
}

char* writeUpperCase(char* out, std::string_view text) {
    bool lengthsKept = true;
    return writeUpperCase(out, text, lengthsKept);
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
