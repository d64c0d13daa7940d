#include "ui/support/DislikeReasoner.h"

#include "foundation/BoundedJson.h"
#include "foundation/Paths.h"
#include "model/BundleInfo.h"

namespace morvex {

namespace {

using Action = DislikeReasoner::Reason::Action;

constexpr std::pair<Action, std::string_view> kActions[] = {
    {Action::Default, "default"},          {Action::SwitchServer, "switch_server"},
    {Action::ShowAppErrors, "show_app_errors"}, {Action::SwitchWireGuard, "switch_to_wireguard"},
    {Action::Skip, "skip"},                {Action::LiveChat, "live_chat"},
    {Action::SubscriptionStatus, "subscription_status"},
};

const nlohmann::json& member(const nlohmann::json& j, const char* key) {
    auto it = j.find(key);
    if (it == j.end()) throw nlohmann::json::out_of_range::create(403, std::string("key '") + key + "' not found", &j);
    return *it;
}

std::string text(const nlohmann::json& j, const char* key) {
    const auto& value = member(j, key);
    if (!value.is_string()) throw nlohmann::json::type_error::create(302, std::string("\"") + key + "\" is not text", &j);
    return value.get<std::string>();
}

}  // namespace

std::string_view rawValue(Action action) {
    for (const auto& [a, raw] : kActions)
        if (a == action) return raw;
    return "default";
}

std::optional<Action> dislikeActionFromRaw(std::string_view raw) {
    for (const auto& [a, text] : kActions)
        if (text == raw) return a;
    return std::nullopt;
}

void from_json(const nlohmann::json& j, DislikeReasoner::Reason& reason) {
    if (!j.is_object()) throw nlohmann::json::type_error::create(302, "a reason is not an object", &j);
    reason.title = text(j, "title");
    reason.subtitle = text(j, "subtitle");
    reason.placeholder = text(j, "placeholder");
    const auto& required = member(j, "isReasonRequired");
    if (!required.is_boolean()) throw nlohmann::json::type_error::create(302, "\"isReasonRequired\" is not a boolean", &j);
    reason.isReasonRequired = required.get<bool>();
    reason.action = Action::Default;
    if (auto it = j.find("action"); it != j.end() && it->is_string())
        reason.action = dislikeActionFromRaw(it->get_ref<const std::string&>()).value_or(Action::Default);
    reason.slug.clear();
    if (auto it = j.find("slug"); it != j.end()) {
        if (!it->is_string()) throw nlohmann::json::type_error::create(302, "\"slug\" is not text", &j);
        reason.slug = it->get<std::string>();
    }
}

void to_json(nlohmann::ordered_json& j, const DislikeReasoner::Reason& reason) {
    j = nlohmann::ordered_json{{"title", reason.title},
                               {"subtitle", reason.subtitle},
                               {"placeholder", reason.placeholder},
                               {"isReasonRequired", reason.isReasonRequired},
                               {"action", std::string(rawValue(reason.action))},
                               {"slug", reason.slug}};
}

std::optional<std::vector<DislikeReasoner::Reason>> DislikeReasoner::loadReasons(const Bundle& bundle) {
    return loadReasons(bundle, applicationSupportFolderURL(bundle));
}

std::optional<std::vector<DislikeReasoner::Reason>> DislikeReasoner::loadReasons(const Bundle& bundle,
                                                                                const std::filesystem::path& supportFolder) {
    const std::filesystem::path target = supportFolder / fileName;
    std::error_code ec;
    if (!std::filesystem::exists(target, ec)) {
        const auto resource = bundle.pathForResource("DislikeReasons", "json");
        if (!resource) return std::nullopt;
        const auto shipped = paths::readFile(*resource);
        // The folder may not exist yet on a first run; the copy is written whole or not at all, so
        // a cut-off copy never becomes the list that wins from then on.
        if (!shipped || !paths::ensureDirectory(supportFolder) || !paths::writeFileAtomically(target, *shipped))
            return std::nullopt;
    }
    const auto contents = paths::readFile(target);
    if (!contents) return std::nullopt;
    const auto document = json::parseText(*contents);
    if (!document || !document->is_array()) return std::nullopt;
    try {
        return document->get<std::vector<Reason>>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace morvex
