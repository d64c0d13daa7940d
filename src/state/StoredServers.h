#pragma once
// The stored-value routines fixed to the location record: one Server is one JSON Data value, a
// list is an array of such values (see state/StoredValueCoding.h).
#include <optional>
#include <string_view>

#include "model/ServerRecord.h"
#include "foundation/UserDefaults.h"

namespace morvex {

// The Server under key; null when absent, not Data, or undecodable.
ZevuDataFetcherTypes::ServerPtr decodedServer(const UserDefaults& defaults, std::string_view key);
// Stores the Server; null stores the JSON null, which reads back as null.
void setEncodedServer(UserDefaults& defaults, const ZevuDataFetcherTypes::ServerPtr& server, std::string_view key);

// The list under key: none when absent or any element is not Data; elements that do not decode are
// dropped.
std::optional<ZevuDataFetcherTypes::ServerList> decodedServerList(const UserDefaults& defaults, std::string_view key);
// None removes the key; null elements are left out.
void setEncodedServerList(UserDefaults& defaults, const std::optional<ZevuDataFetcherTypes::ServerList>& servers,
                          std::string_view key);

}  // namespace morvex
