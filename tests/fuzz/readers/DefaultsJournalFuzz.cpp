// Fuzz target of the preferences journal reader: whatever the bytes, reading (and stepping over a
// value unread) never throws, crashes or overflows the stack; what it reads is a prefix of the
// file; and the values it keeps, written out again, read back the same with no damage.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/BoundedJson.h"
#include "foundation/DefaultsJournal.h"

using namespace morvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Large values are stepped over unread at opening: whatever the bytes, the walk stays in them.
    json::CborReader walk(data, size);
    if (walk.skip(json::kMaxFileDepth) && walk.position() > data + size) std::abort();
    const auto read = defaults::readJournal(input);
    if (read.end > size) std::abort();
    if (read.damage.empty() && !read.tornTail && read.end != size) std::abort();
    if (!read.damage.empty() && read.tornTail) std::abort();

    std::string again(defaults::kJournalMagic);
    for (const auto& [key, entry] : read.values) again += defaults::encodeRecord(key, &entry.value);
    const auto reread = defaults::readJournal(again);
    if (!reread.damage.empty() || reread.tornTail || reread.end != again.size()) std::abort();
    if (reread.values.size() != read.values.size()) std::abort();
    // Compared as written, where a NaN equals itself.
    for (const auto& [key, entry] : read.values) {
        auto it = reread.values.find(key);
        if (it == reread.values.end() ||
            defaults::encodeRecord(key, &it->second.value) != defaults::encodeRecord(key, &entry.value))
            std::abort();
    }
    return 0;
}
