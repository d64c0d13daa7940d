#pragma once
// Reading JSON text and CBOR that came from a file on disk, where any byte may be damaged.
//
// Both readers build the document without recursion deeper than `maxDepth` levels (a file nested
// deeper is refused, so a crafted file cannot overflow the stack here or in any recursive walk of
// the result), never allocate for sizes a header merely claims, and never throw: whatever the bytes,
// the answer is a document or the reason there is none.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace morvex::json {

// Deepest nesting any file reader accepts. Values the stores write stay well inside it
// (see kMaxValueDepth in Value.h).
inline constexpr std::size_t kMaxFileDepth = 256;

// The reason a reader gives for a document nested deeper than its bound; callers that must tell
// that case apart compare with it.
inline constexpr std::string_view kTooDeep = "nested too deeply";

// One JSON text, with nothing but blanks after it.
std::expected<nlohmann::json, std::string> parseText(std::string_view text, std::size_t maxDepth = kMaxFileDepth);
// One CBOR item filling the bytes exactly; tags are refused.
std::expected<nlohmann::json, std::string> parseCbor(const std::uint8_t* data, std::size_t size,
                                                     std::size_t maxDepth = kMaxFileDepth);

// Walks CBOR of definite lengths without building it, for a reader that wants one part of a
// document (the journal reads a record's key and leaves its value for later). Each call reads one
// thing or answers false, never reading past the end; after false the position is unspecified.
class CborReader {
public:
    CborReader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    // One head: its major type and argument. False for an indefinite length or a reserved value.
    bool head(unsigned& major, std::uint64_t& argument);
    // The next `n` bytes.
    bool take(std::uint64_t n, std::string_view& bytes);
    // One text string.
    bool text(std::string_view& out);
    // Steps over one item nested at most `maxDepth` deep, checking only its shape. Tags and
    // indefinite lengths are refused.
    bool skip(std::size_t maxDepth);

    const std::uint8_t* position() const { return p_; }
    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
    bool atEnd() const { return p_ == end_; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

}  // namespace morvex::json
