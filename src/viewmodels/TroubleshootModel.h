#pragma once
// What the troubleshooting page decides: after a failed connection it asks the service whether
// the VPN account still works ("/user/login/v3" with the stored VPN credentials), turns the answer
// into a diagnosis (texts and the handlers of its buttons) and reports the outcome and the user's
// choice to analytics. No widgets: the page (TroubleshootViewController) shows what this says.
//
// Threads: main thread only; the account check answers on the main thread (the client's
// completions run there).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api/Networking.h"
#include "foundation/Value.h"
#include "session/LoginModel.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

// The outcome of the account check.
enum class TroubleshootResult : std::uint8_t { active = 0, invalid = 1, expired = 2, disabled = 3 };

// What the user chose on the page; the raw values are the names analytics gets.
enum class TroubleshootAction : std::uint8_t {
    switchLocation = 0,
    switchProtocol = 1,
    logout = 2,
    renew = 3,
    contactLivechat = 4,
    contactSupport = 5,
    cancel = 6,
};
std::string_view rawValue(TroubleshootAction action);

class TroubleshootModel {
public:
    // The page's button handlers a diagnosis can assign.
    enum class Handler {
        none,
        renewNow,            // opens the member area's renewal page
        liveChat,            // opens the help centre and closes the page
        contactSupport,      // opens the help centre, the page stays (disabled account)
        logOut,              // the application's logout
        openArticle,         // the stored error's help article, then closes the page
        openAppPreferences,  // the preferences window on its protocol page, then closes the page
    };

    struct Button {
        std::string titleKey;
        Handler handler = Handler::none;
        friend bool operator==(const Button&, const Button&) = default;
    };

    // The texts (localization keys) and buttons of one outcome, and the result analytics gets.
    struct Diagnosis {
        std::string titleKey;
        std::string messageKey;
        Button primary;
        std::optional<Button> secondary;
        std::string reportedResult;
        friend bool operator==(const Diagnosis&, const Diagnosis&) = default;
    };

    struct Collaborators {
        AppPreferences appPreference;
        PreservedPreferences preservedPreference;
        EventTracker eventTracker;
        Networking* networkingManager = nullptr;  // not owned
        User user;
    };
    static Collaborators defaults();

    explicit TroubleshootModel(Collaborators c = defaults());

    // Posts the stored VPN user name and password to the service and answers the result once.
    // The answer never reports a failure: a refusal of the credentials (1002, 1003) is `invalid`,
    // any other failure counts as an active account so the user gets the connection hints.
    void checkAccount(std::function<void(TroubleshootResult)> completion);
    // The result an answer of the account check stands for. An expired account also marks the
    // stored password as changed (which raises the password-changed alert on the dashboard).
    TroubleshootResult resultOf(const Result<LoginModel::LoginAPIResponseModel>& answer);

    // The diagnosis of a result; `hasArticle` when the failed attempt's error names a help article.
    Diagnosis diagnose(TroubleshootResult result, bool hasArticle) const;

    // "app_complete_troubleshoot" with the attempt's properties and "result".
    void trackResult(std::string_view result);
    // "app_click_cta_troubleshoot" with the attempt's properties and "solution".
    void trackAction(TroubleshootAction action);

    // The links the handlers open.
    std::optional<std::string> renewalLink() const;
    static std::string helpCentreLink();

    // The failed attempt's analytics properties, given by the page before each check.
    Dictionary utcProperties;

    AppPreferences& appPreference() { return c_.appPreference; }
    PreservedPreferences& preservedPreference() { return c_.preservedPreference; }

private:
    Collaborators c_;
};

}  // namespace morvex
