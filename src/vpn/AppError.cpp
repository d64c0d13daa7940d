#include "vpn/AppError.h"

#include <array>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "model/WebLink.h"

namespace morvex {

namespace {

using Action = AppError::AppErrorAction;

constexpr auto kActions = enumTable<Action>("AppErrorAction", {
    {Action::Expired, "expired"},
    {Action::Support, "support"},
    {Action::ShowProtocolScreen, "show-protocols-screen"},
    {Action::ShowLocationScreen, "show-locations-screen"},
    {Action::Logout, "logout"},
    {Action::ShowAdvanceScreen, "show-advance-screen"},
});

constexpr std::string_view kFallbackTitle = "Cannot Connect";
constexpr std::string_view kFallbackMessage =
    "Unable to connect to the desired server location. Please try again later. (Error Code ";

struct DefaultRecord {
    std::int64_t code;
    std::string_view action;
};
constexpr std::array kDefaultRecords{DefaultRecord{-408, "troubleshoot"}};

}  // namespace

std::string_view rawValue(AppError::AppErrorAction action) { return kActions.raw(action); }
std::optional<AppError::AppErrorAction> appErrorActionFromRaw(std::string_view raw) { return kActions.fromRaw(raw); }

std::string AppError::filledWithCode(std::string_view format, std::int64_t code) {
    static constexpr std::array<std::string_view, 5> placeholders{"%lld", "%ld", "%d", "%i", "%@"};
    std::size_t at = std::string_view::npos;
    std::size_t length = 0;
    for (auto p : placeholders) {
        const auto found = format.find(p);
        if (found != std::string_view::npos && (at == std::string_view::npos || found < at)) {
            at = found;
            length = p.size();
        }
    }
    if (at == std::string_view::npos) return std::string(format);
    std::string out(format.substr(0, at));
    out += std::to_string(code);
    out += format.substr(at + length);
    return out;
}

AppError AppError::fromRecord(const ManagedObject& record) {
    AppError e;
    e.id = record.string("id");
    e.domain = record.string("domain");
    e.code = record.integer("code");
    e.title = record.string("title");
    e.message = record.string("message");
    e.url = record.string("url");
    e.action = record.string("action");
    e.primaryCta = record.string("primaryCta");
    e.secondaryCta = record.string("secondaryCta");
    return e;
}

void AppError::addDefaultRecords(ManagedObjectContext& context) {
    bool added = false;
    for (const DefaultRecord& record : kDefaultRecords) {
        FetchRequest request("AppError");
        request.predicate = [&record](const ManagedObject& o) {
            return o.integer("code") == record.code && o.string("domain") == sdkDomain;
        };
        auto found = context.fetch(request);
        if (!found) {
            log::print("[AppError] Cannot read the error table: " + found.error().localizedDescription());
            return;
        }
        if (!found->empty()) continue;
        auto row = context.insertNewObject("AppError");
        if (!row) return;
        row->setInteger("code", record.code);
        row->setString("domain", std::string(sdkDomain));
        row->setString("action", std::string(record.action));
        added = true;
    }
    if (!added) return;
    if (auto saved = context.save(); !saved)
        log::print("[AppError] Cannot save the error table: " + saved.error().localizedDescription());
}

AppError AppError::makeFallback(std::int64_t code) {
    AppError e;
    e.code = code;
    e.title = std::string(kFallbackTitle);
    e.message = std::string(kFallbackMessage) + std::to_string(code) + ")";
    e.secondaryCta = std::string();
    e.domain = std::string(sdkDomain);
    e.url = WebHosts::helpSite();
    return e;
}

AppError AppError::makeIKSEnabledError() {
    AppError e;
    e.code = killSwitchWithWireGuardCode;
    e.title = localized("wireguard.error.iks.enabled.title");
    e.message = localized("wireguard.error.iks.enabled.message");
    e.action = std::string(rawValue(Action::ShowAdvanceScreen));
    e.domain = std::string(sdkDomain);
    return e;
}

AppError AppError::lookup(std::int64_t code, bool noErrorObject) {
    if (noErrorObject) return makeFallback(noErrorObjectCode);
    return lookup(code, false, CoreDataService::shared().managedObjectContext());
}

AppError AppError::lookup(std::int64_t code, bool noErrorObject, ManagedObjectContext& context) {
    if (noErrorObject) return makeFallback(noErrorObjectCode);
    FetchRequest request("AppError");
    request.predicate = [code](const ManagedObject& o) {
        const auto c = o.integer("code");
        return (c == code || c == genericCode) && o.string("domain") == sdkDomain;
    };
    request.sortDescriptors = {{"code", true}};
    auto found = context.fetch(request);
    if (!found) {
        log::print("[AppError] Lookup of " + std::to_string(code) + " failed: " + found.error().localizedDescription());
        return makeFallback(code);
    }
    if (found->empty()) return makeFallback(code);
    // The record with the exact code wins over the generic one, whichever sorts last.
    for (const auto& record : *found)
        if (record->integer("code") == code) return fromRecord(*record);
    AppError generic = fromRecord(*found->back());
    if (generic.message) generic.message = filledWithCode(*generic.message, code);
    return generic;
}

}  // namespace morvex
