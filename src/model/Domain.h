#pragma once
// A service domain: the host of the token and sign-in endpoint and the host of the API gateway,
// one pair of the alternative domains that a failed request may move to.
#include <string>

#include <nlohmann/json.hpp>

namespace morvex {

struct Domain {
    std::string authTokenUrl;  // "authTokenUrl"
    std::string servicesUrl;   // "servicesUrl"

    // The configured pair: the sign-in host and the API gateway's host (with its port when the
    // host table names one), as requests are built with them.
    static Domain builtIn();

    friend bool operator==(const Domain&, const Domain&) = default;
};

// Reading strips every "/" and then every "https:" from both texts, so a full https address
// becomes a bare host name; writing keeps the texts as they are, in the order above.
void from_json(const nlohmann::json& j, Domain& d);
void to_json(nlohmann::json& j, const Domain& d);
void to_json(nlohmann::ordered_json& j, const Domain& d);

}  // namespace morvex
