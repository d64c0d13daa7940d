#pragma once
// Small text codings shared by the stores and the network code.
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace morvex {

std::string base64Encode(const Bytes& data);
std::string base64Encode(std::string_view data);
// Standard alphabet with padding; blanks are ignored; anything else gives nothing.
std::optional<Bytes> base64Decode(std::string_view text);

inline Bytes toBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline std::string toString(const Bytes& b) { return std::string(b.begin(), b.end()); }

// CRC-32 (IEEE) of a byte range; used to detect damaged records on disk. Passing the CRC of the
// bytes before gives the CRC of both ranges together.
std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t previous = 0);

}  // namespace morvex
