#pragma once
// The page a user who is not signed in sees in the main window. It opens on the logo for three
// seconds, then shows the promotional pages beside the sign-in controls; for a user still marked
// signed in it resumes the session at once instead of waiting for a click.
//
// Signing in: the login button opens the sign-in server's page in a web-authentication session
// over the main window (PKCE, nothing kept between sessions); the redirect it catches goes to the
// code exchange, and the outcome is shown here (alerts, the account chooser) or carried on by the
// LoginModel. The create-account button opens the pricing page in the browser.
//
// Busy and idle: `requestInProcess` and `enableAuthentication` always change together (busy is
// true/false, idle false/true); observers never see one changed without the other.
//
// Main thread only. Completions hold the screen weakly (QPointer): a page replaced meanwhile is
// never called back.
#include <QColor>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Lifetime.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "appkit/WebAuthenticationSession.h"
#include "foundation/OAuth2.h"
#include "session/LoginModel.h"
#include "ui/shell/AccountSelection.h"
#include "ui/login/PromotionalCarousel.h"

class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace morvex {

class ActivityIndicator;

class LoginViewController : public appkit::ViewController, public LoginModelDelegate, public AccountSelectionDelegate {
    Q_OBJECT
public:
    // What the screen works with; empty members get the real ones.
    struct Collaborators {
        std::function<UserAuthentication()> makeUserAuthentication;  // the usual set
        std::function<EventTracker()> makeEventTracker;              // the default tracker
        std::function<bool(const std::string& url)> openURL;          // the default browser
        // Shows the sign-in page and catches its redirect (default: a web-authentication session
        // over the screen's window).
        OAuth2CodeGrant::EmbeddedPresenter presentSignIn;
    };

    static constexpr double kRevealSeconds = 3.0;
    static constexpr double kAutoScrollInterval = 5.0;
    static constexpr double kPageAnimationSeconds = 0.4;
    static constexpr int kLoginTag = 1;
    static constexpr QSize kItemSize{380, 500};
    static constexpr std::array<const char*, 2> kPromotionalImageNames{"onboarding1", "onboarding2"};
    static constexpr const char* kAccountChooserStoryboard = "SwitchAccount";
    static constexpr const char* kAccountChooserID = "SwitchAccountVC";

    explicit LoginViewController(QObject* parent = nullptr);
    explicit LoginViewController(Collaborators collaborators, QObject* parent = nullptr);
    ~LoginViewController() override;

    appkit::Observable<bool> requestInProcess{false};
    appkit::Observable<bool> enableAuthentication{true};

    // The screen's copy of the OAuth settings (the client's seven entries, plus "authorize_uri"
    // from the first sign-in on) and its authorize URL.
    static Dictionary oauthSettings();
    static const std::string& authorizeURL();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

    // The login button's action: tag 0 opens the pricing page, any other tag starts a sign-in.
    void loginClicked(int tag);
    void signUpButtonClicked();
    void revealLoginView();
    void resumeSession();

    // The steps of a sign-in, in order (public so each can be driven on its own).
    void handleAuthorizationCallback(const std::optional<OAuth2CodeGrant::Parameters>& parameters,
                                     const std::optional<Error>& error, int tag);
    void handleAuthenticationCase(const UserAuthentication::AuthenticationCase& outcome, int tag);
    // The message key of a sign-in the client refused (a redirect it cannot trust, the server's
    // refusal, a page not on a secure connection); nothing for other failures.
    static std::optional<std::string_view> refusalMessageKey(const Error& error);
    void handleLaunchCase(const UserAuthentication::AppLaunchCase& outcome);
    void handleAccountPasswordResult(const UserAuthentication::PasswordResult& result, const UserAuthentication::VPNAccount& account);

    // AccountSelectionDelegate
    void selectAccount(const UserAuthentication::VPNAccount& account) override;
    void accountChoiceCancelled() override;

    // LoginModelDelegate
    void setRequestInProcess(bool inProcess) override { setBusy(inProcess); }
    void setAuthenticationEnabled(bool enabled) override { setBusy(!enabled); }
    void refresh() override { showActivity(false); }
    void showAccountPicker() override;

    // The promotional pages.
    void autoScroll() { advancePage(); }
    void advancePage();
    void showPage(int page);
    void colourDots(int page);
    void handleThemeChange() { colourDots(currentIndex_); }
    int currentIndex() const { return currentIndex_; }
    QColor dotColour(int page) const;
    static QColor shownDotColour();
    static QColor otherDotColour();

    std::shared_ptr<LoginModel> model() const { return model_; }
    // The grant of the sign-in that runs or ran last, and the session that shows its page.
    OAuth2CodeGrant* oauth2() const { return oauth2_.get(); }
    appkit::WebAuthenticationSession* webSession() const { return webSession_; }
    bool isLoginViewShown() const;

    // The spinner under the buttons while a sign-in is under way.
    void showActivity(bool shown);

private:
    void setBusy(bool busy);
    void startAuthorization();
    void presentWebSession(const OAuth2CodeGrant::EmbeddedRequest& request, OAuth2CodeGrant::EmbeddedCompletion completion);
    void makeLoginView();
    void applyTexts();
    void configureDots();
    void configureCarousel();
    EventTracker tracker() const;
    UserAuthentication makeAuth() const;

    Collaborators collaborators_;
    Lifetime lifetime_;
    std::shared_ptr<LoginModel> model_;
    std::unique_ptr<OAuth2CodeGrant> oauth2_;
    QPointer<appkit::WebAuthenticationSession> webSession_;

    // Outlets.
    QPointer<QPushButton> createAccountButton_;
    QPointer<ActivityIndicator> activityIndicator_;
    QPointer<QLabel> logo_;
    QPointer<QLabel> lblLoading_;
    QPointer<QWidget> loginView_;
    QPointer<QLabel> lblLogin_;
    QPointer<QPushButton> btnLogin_;
    QPointer<CustomCollectionView> collectionView_;
    std::array<QPointer<QPushButton>, 4> dots_;
    QPointer<QLabel> mapImgView_;
    QPointer<QLabel> mainTitle_;
    QPointer<QLabel> lblTitle_;
    QPointer<QLabel> lblSubTitle_;

    // The promotional pages' state.
    int currentIndex_ = 0;
    // The promotional pages are filled when the sign-in controls are first revealed.
    bool carouselMade_ = false;
    bool activityShown_ = false;
    QTimer* timer_ = nullptr;
};

}  // namespace morvex
