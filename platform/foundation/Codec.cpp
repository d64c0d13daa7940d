#include "foundation/Codec.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace morvex {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encode(const std::uint8_t* p, std::size_t n) {
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < n; i += 3) {
        std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == n) {
        std::uint32_t v = p[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == n) {
        std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}
}  // namespace

std::string base64Encode(const Bytes& data) { return encode(data.data(), data.size()); }
std::string base64Encode(std::string_view data) {
    return encode(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

std::optional<Bytes> base64Decode(std::string_view text) {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = i;
        return t;
    }();
    Bytes out;
    // Whole groups of four symbols without padding or spaces, four at a time (a long value is
    // decoded while the preferences load before the first window); the rest symbol by symbol.
    out.resize(text.size() / 4 * 3);
    std::uint8_t* to = out.data();
    std::size_t start = 0;
    for (; start + 4 <= text.size(); start += 4) {
        const int a = table[static_cast<unsigned char>(text[start])], b = table[static_cast<unsigned char>(text[start + 1])];
        const int c = table[static_cast<unsigned char>(text[start + 2])], d = table[static_cast<unsigned char>(text[start + 3])];
        if ((a | b | c | d) < 0) break;
        const std::uint32_t v = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 | std::uint32_t(c) << 6 | std::uint32_t(d);
        *to++ = static_cast<std::uint8_t>(v >> 16);
        *to++ = static_cast<std::uint8_t>(v >> 8);
        *to++ = static_cast<std::uint8_t>(v);
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    text.remove_prefix(start);
    std::size_t symbols = start;
    std::uint32_t acc = 0;
    int bits = 0;
    int padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        if (padding) return std::nullopt;  // data after padding
        int v = table[static_cast<unsigned char>(c)];
        if (v < 0) return std::nullopt;
        ++symbols;
        acc = (acc << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>((acc >> bits) & 0xFF));
        }
    }
    if (symbols % 4 != 0 || padding > 2) return std::nullopt;
    return out;
}

std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t previous) {
    // zlib's CRC-32 is the same checksum, several times faster than a byte-wise table; Qt has
    // zlib mapped already. Its length is an unsigned int, so a longer run goes in pieces.
    uLong c = previous;
    const auto* p = static_cast<const Bytef*>(data);
    while (size > 0) {
        const auto piece = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        c = ::crc32(c, p, piece);
        p += piece;
        size -= piece;
    }
    return static_cast<std::uint32_t>(c);
}

}  // namespace morvex
