#pragma once
// The privileged helper's wire format: length-prefixed frames that each carry a list of strings.
//
//   u32 payload length (big-endian, at most kMaxFramePayload)
//   payload: u8 kind, u32 call id, u32 count, then count x (u32 length, UTF-8 bytes)
//
// The helper first checks the caller and, once it passes, sends one Accepted frame (id 0, no
// elements); a client sends nothing before it. A client sends a Command (element 0 the command
// name, element 1 its argument); the helper answers with one ReplyNumber or ReplyText frame
// holding exactly one element, carrying the command's id, and may send Log frames (one line each)
// before it. Log frames carry id 0: the helper sends its log lines to the client that connected
// last, which need not be the one whose command wrote them.
//
// This file depends on the standard library only, so the decoder can be built into a fuzzer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::wire {

inline constexpr std::size_t kMaxFramePayload = 1024 * 1024;
inline constexpr std::size_t kFrameHeaderSize = 4;

enum class FrameKind : std::uint8_t {
    Command = 1,
    ReplyNumber = 2,
    LogStdErr = 3,
    ReplyText = 4,
    LogStdOut = 5,
    Accepted = 6,
};

struct Frame {
    FrameKind kind = FrameKind::Command;
    std::uint32_t id = 0;
    std::vector<std::string> items;
    friend bool operator==(const Frame&, const Frame&) = default;
};

// The bytes of one frame; nothing when the payload would exceed kMaxFramePayload.
std::optional<std::string> encodeFrame(const Frame& frame);

enum class DecodeStatus {
    Frame,       // one frame decoded; `consumed` bytes belong to it
    NeedMore,    // the buffer holds only the start of a frame
    Oversized,   // the length prefix exceeds the cap: the stream cannot be followed any further
    Malformed,   // the frame's length is sound but its payload is not; `consumed` skips it
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::NeedMore;
    std::size_t consumed = 0;
    Frame frame;
    // For a malformed payload: the call id when the payload was long enough to carry one.
    std::optional<std::uint32_t> id;
};

// Decodes the first frame in `data`.
DecodeResult decodeFrame(std::string_view data, std::size_t maxPayload = kMaxFramePayload);

// Buffers a byte stream and hands out whole frames.
class FrameReader {
public:
    explicit FrameReader(std::size_t maxPayload = kMaxFramePayload) : max_(maxPayload) {}
    void append(std::string_view bytes) { buffer_.append(bytes); }
    // The next decoded frame, or the reason there is none; Malformed frames are skipped so the
    // stream can go on, Oversized leaves the buffer as it is (the stream is lost).
    DecodeResult next();
    std::size_t buffered() const { return buffer_.size(); }

private:
    std::size_t max_;
    std::string buffer_;
};

bool isValidUtf8(std::string_view text);

}  // namespace morvex::wire
