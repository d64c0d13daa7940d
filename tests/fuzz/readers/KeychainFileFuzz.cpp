// Fuzz target of the keychain file store's reader: whatever the text, reading never throws, crashes or
// overflows the stack, and items it reads are written out and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/KeychainFile.h"

using namespace morvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto items = keychainfile::parseItems(text);
    if (!items) return 0;
    if (!items->is_object()) std::abort();
    const auto again = keychainfile::parseItems(keychainfile::encodeItems(*items));
    if (!again || *again != *items) std::abort();
    return 0;
}
