// Fuzz target of the analytics queue file's reader: whatever the text, reading never throws, crashes
// or overflows the stack; every event it keeps is an object; and what it keeps, written out in the
// journal form, reads back the same with no damage.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/AnalyticsFile.h"
#include "foundation/BoundedJson.h"

using namespace morvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = analyticsfile::read(text);
    for (const auto& e : read.events) {
        auto j = json::parseText(*e);
        if (!j || !j->is_object()) std::abort();
    }
    if (!read.superProperties.is_object()) std::abort();

    std::string again(analyticsfile::kMagic);
    again += analyticsfile::identityLine(read.distinctId);
    again += analyticsfile::superPropertiesLine(read.superProperties);
    for (const auto& e : read.events) again += analyticsfile::eventLine(*e);
    const auto reread = analyticsfile::read(again);
    if (!reread.damage.empty() || reread.tornTail || reread.notEvents != 0) std::abort();
    if (reread.events.size() != read.events.size() || reread.distinctId != read.distinctId) std::abort();
    for (std::size_t i = 0; i < read.events.size(); ++i)
        if (*reread.events[i] != *read.events[i]) std::abort();
    return 0;
}
