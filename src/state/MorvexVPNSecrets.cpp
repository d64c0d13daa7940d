#include "state/MorvexVPNSecrets.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"

namespace morvex {

std::string MorvexVPNSecrets::value(std::string_view name) {
    auto path = Bundle::main().pathForResource("MorvexVPNSecrets", "json");
    if (!path) return {};
    std::ifstream in(*path);
    auto j = nlohmann::json::parse(in, nullptr, false);
    if (!j.is_object()) return {};
    auto it = j.find(std::string(name));
    if (it == j.end() || !it->is_string()) return {};
    return it->get<std::string>();
}

}  // namespace morvex
