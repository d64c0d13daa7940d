// Fuzz target of the Info values reader: whatever the text, reading never throws, crashes or
// overflows the stack, and a dictionary it reads survives the stores' own coding unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/BoundedJson.h"
#include "foundation/Value.h"

using namespace morvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto info = dictionaryFromJsonText(text);
    if (!info) return 0;
    const Value v(*info);
    if (v.nestsDeeperThan(json::kMaxFileDepth)) std::abort();
    const auto back = Value::fromTaggedJson(v.toTaggedJson());
    if (!back || !(*back == v)) std::abort();
    return 0;
}
