#pragma once
// A connection failure as the user sees it: a title, a message, button labels, a link and an
// action keyword. Records come from the local store's "AppError" table, keyed by error code within
// a domain ("zevu" for the VPN SDK's codes); a domain's record with code -99999 is its generic
// text, whose message holds one integer placeholder for the code.
//
// An AppError is a detached value: the lookup answers a copy of the stored record (the generic
// one with the code filled in), so nothing a caller does with it reaches the store, and repeated
// look-ups never see each other's codes. The two records the application makes itself are values
// too and are never inserted into the store.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/EnumTable.h"
#include "state/CoreDataService.h"

namespace morvex {

class AppError {
public:
    // Action keywords the application acts on. The stored `action` is free text: other words
    // (the dashboard also knows "troubleshoot") stay as stored.
    enum class AppErrorAction { Expired, Support, ShowProtocolScreen, ShowLocationScreen, Logout, ShowAdvanceScreen };

    static constexpr std::int64_t genericCode = -99999;      // a domain's generic record
    static constexpr std::int64_t noErrorObjectCode = 99999;  // the fallback when there was no error at all
    static constexpr std::int64_t killSwitchWithWireGuardCode = 997;
    static constexpr std::string_view sdkDomain = "zevu";

    std::optional<std::string> id;
    std::optional<std::string> domain;
    std::int64_t code = 0;
    std::optional<std::string> title;
    std::optional<std::string> message;
    std::optional<std::string> url;
    std::optional<std::string> action;
    std::optional<std::string> primaryCta;
    std::optional<std::string> secondaryCta;

    // The record for an SDK error code: with `noErrorObject`, the fallback for 99999; otherwise the
    // "zevu" record with exactly that code, else the domain's generic record with the code filled
    // in, else the fallback for the code. Never fails; a store that cannot be read answers the
    // fallback. The one-argument forms use the application's shared store.
    static AppError lookup(std::int64_t code, bool noErrorObject);
    static AppError lookup(std::int64_t code, bool noErrorObject, ManagedObjectContext& context);

    // "Cannot Connect", the fixed text ending in "(Error Code <code>)", the support page.
    static AppError makeFallback(std::int64_t code);
    // Kill switch on while WireGuard is selected (997), pointing at the advanced settings.
    static AppError makeIKSEnabledError();

    // The records a new store starts with, so that the failure notices offer what they name: a
    // connection attempt that never comes up (-408) offers the troubleshooting page. A record the
    // store already holds for the same code and domain is kept as it is; saves only what it added.
    static void addDefaultRecords(ManagedObjectContext& context);

    // The stored record's values, detached from it.
    static AppError fromRecord(const ManagedObject& record);

    // Fills the first integer placeholder ("%d", "%i", "%ld", "%lld", "%@") of `format` with the
    // code in decimal. The text is never handed to a printf-style formatter, so any other
    // directive in it stays text.
    static std::string filledWithCode(std::string_view format, std::int64_t code);

    friend bool operator==(const AppError&, const AppError&) = default;
};

std::string_view rawValue(AppError::AppErrorAction action);
// Exact text only ("show-protocols-screen"); any other text, other letter case included, gives none.
std::optional<AppError::AppErrorAction> appErrorActionFromRaw(std::string_view raw);

}  // namespace morvex
