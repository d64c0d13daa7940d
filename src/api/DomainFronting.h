#pragma once
// Alternative service domains for requests that fail without an answer of the service.
//
// `BaseURL` is an ordered list of domains with a cursor: asked for the next URL, it rewrites a
// request URL from the active domain's gateway host to the next domain's, stores that domain as
// the active one, and moves on; once the list has been handed out it answers nothing once and
// starts over. `DomainFronting::shared()` holds the list the request layer reads; nothing in the
// application fills it yet, so requests fail as they are until a source of domains exists.
//
// Main thread only: the request layer reads and moves the list from its answer steps.
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/Domain.h"
#include "state/AppPreferences.h"
#include "state/Crypto.h"

namespace morvex {

class NetworkingProtocol;

class BaseURL {
public:
    BaseURL() = default;
    explicit BaseURL(std::vector<Domain> baseUrls) : baseUrls(std::move(baseUrls)) {}

    int currentUrlPointer = 0;  // not coded; 0 after decoding
    std::vector<Domain> baseUrls;  // "baseUrls"

    // The URL on the next domain, or none (an empty list, or the list handed out in full).
    std::optional<QUrl> nextURL(const QUrl& url, AppPreferences& preferences);
};

void from_json(const nlohmann::json& j, BaseURL& b);
void to_json(nlohmann::json& j, const BaseURL& b);

class DomainFronting {
public:
    static DomainFronting& shared();
    explicit DomainFronting(NetworkingProtocol* networkingManager) : networkingManager(networkingManager) {}

    std::unique_ptr<EncryptionProtocol> encryption;  // none: nothing here encrypts yet
    NetworkingProtocol* networkingManager;
    std::shared_ptr<BaseURL> domainData;  // none: no alternative domains
};

}  // namespace morvex
