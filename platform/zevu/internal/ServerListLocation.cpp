#include <cstdlib>

#include "foundation/Bundle.h"
#include "zevu/ZevuTestAPI.h"
#include "zevu/internal/ServerCatalog.h"

namespace zevu::detail {

std::optional<std::filesystem::path> ServerCatalog::defaultPath() {
    if (auto p = ZevuTestAPI::serverListPath()) return p;
    if (const char* env = std::getenv("ZEVU_SERVER_LIST"); env && *env) return std::filesystem::path(env);
    return morvex::Bundle::main().pathForResource("servers", "json", "zevu");
}

}  // namespace zevu::detail
