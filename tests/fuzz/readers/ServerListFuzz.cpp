// Fuzz target of the SDK's server list reader: whatever the text, reading never throws, crashes,
// overflows the stack or casts a number that does not fit (UBSan stops the run on that); every data
// centre it keeps has ports that are ports and a unique id.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "zevu/internal/ServerCatalog.h"

using zevu::detail::ServerCatalog;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto catalog = ServerCatalog::parse(text, "fuzz input");
    if (!catalog) return 0;
    std::set<std::int64_t> ids;
    for (const auto& place : (*catalog)->allDataCenters()) {
        const auto& dc = *place.dataCenter;
        if (!dc.dataCenterId || !ids.insert(*dc.dataCenterId).second) std::abort();
        if (dc.port && (*dc.port < 0 || *dc.port > 65535)) std::abort();
        for (const auto& [_, p] : dc.ports)
            if (p < 0 || p > 65535) std::abort();
    }
    return 0;
}
