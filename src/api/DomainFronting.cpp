#include "api/DomainFronting.h"

#include "api/Networking.h"
#include "foundation/Dispatch.h"
#include "model/JsonCoding.h"

namespace morvex {

std::optional<QUrl> BaseURL::nextURL(const QUrl& url, AppPreferences& preferences) {
    if (baseUrls.empty()) return std::nullopt;
    if (currentUrlPointer < 0 || currentUrlPointer >= static_cast<int>(baseUrls.size())) {
        currentUrlPointer = 0;
        return std::nullopt;
    }
    Domain active = preferences.activeDomain();
    Domain next = baseUrls[static_cast<std::size_t>(currentUrlPointer)];
    ++currentUrlPointer;
    preferences.setActiveDomain(next);

    std::string text = url.toString(QUrl::FullyEncoded).toStdString();
    if (!active.servicesUrl.empty()) {
        for (auto pos = text.find(active.servicesUrl); pos != std::string::npos;
             pos = text.find(active.servicesUrl, pos + next.servicesUrl.size()))
            text.replace(pos, active.servicesUrl.size(), next.servicesUrl);
    }
    QUrl moved(QString::fromStdString(text), QUrl::StrictMode);
    if (!moved.isValid()) return std::nullopt;
    return moved;
}

void from_json(const nlohmann::json& j, BaseURL& b) {
    coding::requireObject(j, "the domain list");
    const auto* list = coding::member(j, "baseUrls");
    if (!list) coding::throwMissingKey("baseUrls");
    if (!list->is_array()) coding::throwWrongType("baseUrls", "array", *list);
    b.baseUrls.clear();
    for (const auto& domain : *list) b.baseUrls.push_back(domain.get<Domain>());
    b.currentUrlPointer = 0;
}

void to_json(nlohmann::json& j, const BaseURL& b) { j = nlohmann::json{{"baseUrls", b.baseUrls}}; }

DomainFronting& DomainFronting::shared() {
    static OnceToken once;
    static DomainFronting* instance = nullptr;
    dispatchOnce(once, [] { instance = new DomainFronting(&Networking::shared()); });
    return *instance;
}

}  // namespace morvex
