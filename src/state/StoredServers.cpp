#include "state/StoredServers.h"

#include "state/StoredValueCoding.h"

namespace morvex {

using Server = ZevuDataFetcherTypes::Server;

ZevuDataFetcherTypes::ServerPtr decodedServer(const UserDefaults& defaults, std::string_view key) {
    if (auto s = decodable<Server>(defaults, key)) return std::make_shared<Server>(std::move(*s));
    return nullptr;
}

void setEncodedServer(UserDefaults& defaults, const ZevuDataFetcherTypes::ServerPtr& server, std::string_view key) {
    setEncodable(defaults, server ? std::optional<Server>(*server) : std::nullopt, key);
}

std::optional<ZevuDataFetcherTypes::ServerList> decodedServerList(const UserDefaults& defaults, std::string_view key) {
    auto servers = decodableArray<Server>(defaults, key);
    if (!servers) return std::nullopt;
    ZevuDataFetcherTypes::ServerList out;
    out.reserve(servers->size());
    for (auto& s : *servers) out.push_back(std::make_shared<Server>(std::move(s)));
    return out;
}

void setEncodedServerList(UserDefaults& defaults, const std::optional<ZevuDataFetcherTypes::ServerList>& servers,
                          std::string_view key) {
    if (!servers) {
        setEncodableArray<Server>(defaults, std::nullopt, key);
        return;
    }
    std::vector<Server> values;
    values.reserve(servers->size());
    for (const auto& s : *servers)
        if (s) values.push_back(*s);
    setEncodableArray(defaults, std::optional(std::move(values)), key);
}

}  // namespace morvex
