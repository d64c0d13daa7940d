#include "foundation/FrameCodec.h"

namespace morvex::wire {

namespace {

void putU32(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>((v >> 24) & 0xff));
    out.push_back(static_cast<char>((v >> 16) & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
    out.push_back(static_cast<char>(v & 0xff));
}

std::uint32_t getU32(std::string_view data, std::size_t at) {
    auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])); };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

bool knownKind(std::uint8_t k) { return k >= 1 && k <= 6; }

}  // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xe0) == 0xc0) { len = 2; cp = c & 0x1f; }
        else if ((c & 0xf0) == 0xe0) { len = 3; cp = c & 0x0f; }
        else if ((c & 0xf8) == 0xf0) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return false;
        if (cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += len;
    }
    return true;
}

std::optional<std::string> encodeFrame(const Frame& frame) {
    std::size_t payload = 1 + 4 + 4;
    for (const auto& s : frame.items) payload += 4 + s.size();
    if (payload > kMaxFramePayload) return std::nullopt;
    std::string out;
    out.reserve(kFrameHeaderSize + payload);
    putU32(out, static_cast<std::uint32_t>(payload));
    out.push_back(static_cast<char>(frame.kind));
    putU32(out, frame.id);
    putU32(out, static_cast<std::uint32_t>(frame.items.size()));
    for (const auto& s : frame.items) {
        putU32(out, static_cast<std::uint32_t>(s.size()));
        out.append(s);
    }
    return out;
}

DecodeResult decodeFrame(std::string_view data, std::size_t maxPayload) {
    DecodeResult r;
    if (data.size() < kFrameHeaderSize) return r;
    const std::uint32_t length = getU32(data, 0);
    if (length > maxPayload) {
        r.status = DecodeStatus::Oversized;
        return r;
    }
    if (data.size() - kFrameHeaderSize < length) return r;
    r.consumed = kFrameHeaderSize + length;
    const std::string_view p = data.substr(kFrameHeaderSize, length);
    r.status = DecodeStatus::Malformed;
    if (p.size() < 5) return r;
    r.id = getU32(p, 1);
    if (p.size() < 9 || !knownKind(static_cast<std::uint8_t>(p[0]))) return r;
    const std::uint32_t count = getU32(p, 5);
    // Every element takes at least its 4-byte length, which bounds the count before allocating.
    if (count > (p.size() - 9) / 4) return r;
    Frame f;
    f.kind = static_cast<FrameKind>(static_cast<std::uint8_t>(p[0]));
    f.id = *r.id;
    f.items.reserve(count);
    std::size_t at = 9;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p.size() - at < 4) return r;
        const std::uint32_t len = getU32(p, at);
        at += 4;
        if (p.size() - at < len) return r;
        std::string_view s = p.substr(at, len);
        if (!isValidUtf8(s)) return r;
        f.items.emplace_back(s);
        at += len;
    }
    if (at != p.size()) return r;
    r.status = DecodeStatus::Frame;
    r.frame = std::move(f);
    return r;
}

DecodeResult FrameReader::next() {
    DecodeResult r = decodeFrame(buffer_, max_);
    if (r.status == DecodeStatus::Frame || r.status == DecodeStatus::Malformed) buffer_.erase(0, r.consumed);
    return r;
}

}  // namespace morvex::wire
