#include "viewmodels/TroubleshootModel.h"

#include "foundation/Log.h"
#include "model/WebLink.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
// The gateway's refusals of the credentials themselves: wrong password, no such user.
constexpr std::int64_t kWrongPasswordCode = 1002;
constexpr std::int64_t kUnknownUserCode = 1003;
}  // namespace

std::string_view rawValue(TroubleshootAction action) {
    switch (action) {
        case TroubleshootAction::switchLocation: return "switch location";
        case TroubleshootAction::switchProtocol: return "switch protocol";
        case TroubleshootAction::logout: return "logout";
        case TroubleshootAction::renew: return "renew";
        case TroubleshootAction::contactLivechat: return "contact livechat";
        case TroubleshootAction::contactSupport: return "contact support";
        case TroubleshootAction::cancel: return "cancel";
    }
    return "";
}

TroubleshootModel::Collaborators TroubleshootModel::defaults() {
    return {AppPreferences(), PreservedPreferences(), MorvexVPNService::makeEventTracker(), &Networking::shared(), User()};
}

TroubleshootModel::TroubleshootModel(Collaborators c) : c_(std::move(c)) {}

void TroubleshootModel::checkAccount(std::function<void(TroubleshootResult)> completion) {
    const Networking::Parameters parameters{{"username", c_.user.vpnUsername().value_or("")},
                                            {"password", c_.user.vpnPassword().value_or("")}};
    if (!c_.networkingManager) {
        // Without a client nothing can be asked; the hints for a working account are the safe side.
        if (completion) completion(TroubleshootResult::active);
        return;
    }
    // The answer may come after the page is gone: it reaches this model's stores through copies
    // (thin views over the same stored state), never through `this`.
    TroubleshootModel detached(c_);
    c_.networkingManager->postCredentialsCheck<LoginModel::LoginAPIResponseModel>(
        parameters, [detached = std::move(detached), completion = std::move(completion)](
                        Result<LoginModel::LoginAPIResponseModel> answer) mutable {
            const TroubleshootResult result = detached.resultOf(answer);
            if (completion) completion(result);
        });
}

TroubleshootResult TroubleshootModel::resultOf(const Result<LoginModel::LoginAPIResponseModel>& answer) {
    if (!answer) {
        const auto code = answer.error().code;
        if (code == kWrongPasswordCode || code == kUnknownUserCode) return TroubleshootResult::invalid;
        log::print("[Troubleshoot] account check failed (" + std::to_string(code) + "), taken as active");
        return TroubleshootResult::active;
    }
    if (answer->usernames.empty()) return TroubleshootResult::invalid;
    switch (answer->usernames.front().status) {
        case User::Status::Active: return TroubleshootResult::active;
        case User::Status::Expired:
            c_.preservedPreference.setPasswordChanged(true);
            return TroubleshootResult::expired;
        case User::Status::Disabled: return TroubleshootResult::disabled;
        default: return TroubleshootResult::invalid;
    }
}

TroubleshootModel::Diagnosis TroubleshootModel::diagnose(TroubleshootResult result, bool hasArticle) const {
    switch (result) {
        case TroubleshootResult::expired:
            return {"troubleshoot.account.expired.title", "troubleshoot.account.expired.message",
                    {"troubleshoot.account.expired.button.primary", Handler::renewNow}, std::nullopt, "expired"};
        case TroubleshootResult::disabled:
            return {"troubleshoot.account.disabled.title", "troubleshoot.account.disabled.message",
                    {"troubleshoot.account.disabled.button.primary", Handler::contactSupport}, std::nullopt, "disabled"};
        case TroubleshootResult::invalid:
            return {"troubleshoot.account.invalid.title", "troubleshoot.account.invalid.message",
                    {"troubleshoot.account.invalid.button.primary", Handler::logOut}, std::nullopt, "invalid"};
        case TroubleshootResult::active: break;
    }
    const auto last = c_.appPreference.lastConnection();
    if (last && last->server && last->server->type == ZevuDataFetcherTypes::ServerType::DedicatedIp)
        return {"troubleshoot.contact.support.title", "troubleshoot.contact.support.message",
                {"troubleshoot.contact.support.button.primary", Handler::liveChat}, std::nullopt, "switch"};
    if (c_.preservedPreference.automaticProtocol())
        return {"troubleshoot.account.active.title", "troubleshoot.account.active.message",
                {"troubleshoot.account.active.button.primary", Handler::liveChat}, std::nullopt, "switch"};
    // A fixed protocol may be what the network blocks: offer the automatic one first.
    const Button second = hasArticle ? Button{"troubleshoot.account.active.button.tertiary", Handler::openArticle}
                                     : Button{"troubleshoot.account.active.button.primary", Handler::liveChat};
    return {"troubleshoot.switch.automatic.protocol.title", "troubleshoot.switch.automatic.protocol.message",
            {"troubleshoot.switch.automatic.protocol.button.primary", Handler::openAppPreferences}, second, "switch"};
}

void TroubleshootModel::trackResult(std::string_view result) {
    utcProperties["result"] = std::string(result);
    c_.eventTracker.track(AnalyticsEvent::app_complete_troubleshoot, utcProperties);
}

void TroubleshootModel::trackAction(TroubleshootAction action) {
    utcProperties["solution"] = std::string(rawValue(action));
    c_.eventTracker.track(AnalyticsEvent::app_click_cta_troubleshoot, utcProperties);
}

std::optional<std::string> TroubleshootModel::renewalLink() const {
    const auto method = c_.user.loginMethod();
    std::optional<bool> email;
    if (method == "username") email = false;
    else if (method == "email") email = true;
    return c_.user.urlWithIdentityQuery(WebLink::Home, "/applinks/renew", c_.user.vpnUsername().value_or(""), email,
                                        c_.user.uuid());
}

std::string TroubleshootModel::helpCentreLink() { return WebHosts::helpSite() + "/morvexvpn/ukp.aspx?donelr=1"; }

}  // namespace morvex
