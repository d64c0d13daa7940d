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

}  // namespace morvex::json
