#include "ui/login/LoginViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

#include "appkit/Application.h"
#include "ui/kit/ActivityIndicator.h"
#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "api/Networking.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/WebAuthenticationSession.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "model/ServiceHosts.h"
#include "model/WebLink.h"
#include "session/OAuthService.h"
#include "state/AppPreferences.h"
#include "ui/login/PromotionalCarousel.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {

// Whether the service's gateway said, in words meant for the user, why it refused: its answer
// header with a refusal code and a message. A failure of the connection or of decoding carries
// only our own generic text, and a sign-in redirect's text is not the service's to trust.
bool isServerRefusal(const Error& error) {
    return error.domain == kMorvexVPNErrorDomain && !error.underlying && error.code > 0 &&
           !error.localizedDescription().empty();
}

std::mutex settingsMutex;
Dictionary& screenSettings() {
    static Dictionary settings = [] {
        std::string signIn = hosts::signInBaseURL().toString(QUrl::FullyEncoded).toStdString();
        return Dictionary{
            {"client_id", Value("----")},
            {"client_secret", Value("")},
            {"token_uri", Value(signIn + "/oauth2/token")},
            {"redirect_uris", Value(std::vector<std::string>{OAuthService::redirectURI()})},
            {"scope", Value("offline_access")},
            {"use_pkce", Value(true)},
            {"keychain", Value(true)},
        };
    }();
    return settings;
}

QString text(std::string_view key) { return QString::fromStdString(localized(key)); }

QPushButton* makeDot(int tag, QWidget* parent) {
    auto* dot = new QPushButton(parent);
    dot->setObjectName(QStringLiteral("btnDot%1").arg(tag + 1));
    dot->setProperty("tag", tag);
    dot->setFixedSize(10, 10);
    dot->setFlat(true);
    dot->setCursor(Qt::PointingHandCursor);
    dot->setFocusPolicy(Qt::NoFocus);
    return dot;
}

}  // namespace

Dictionary LoginViewController::oauthSettings() {
    std::lock_guard lock(settingsMutex);
    return screenSettings();
}

const std::string& LoginViewController::authorizeURL() {
    // The web link's text, so the screen and the shared client name the same server.
    static const std::string url =
        QUrl(QString::fromStdString(urlString(WebLink::SignInAuthorize))).toString(QUrl::FullyEncoded).toStdString();
    return url;
}

LoginViewController::LoginViewController(QObject* parent) : LoginViewController(Collaborators(), parent) {}

LoginViewController::LoginViewController(Collaborators collaborators, QObject* parent)
    : ViewController(parent), collaborators_(std::move(collaborators)) {
    if (!collaborators_.makeUserAuthentication) collaborators_.makeUserAuthentication = [] { return UserAuthentication(); };
    if (!collaborators_.makeEventTracker) collaborators_.makeEventTracker = [] { return MorvexVPNService::makeEventTracker(); };
    if (!collaborators_.openURL)
        collaborators_.openURL = [](const std::string& url) { return appkit::Workspace::shared().openURL(url); };
    if (!collaborators_.presentSignIn)
        collaborators_.presentSignIn = [this](const OAuth2CodeGrant::EmbeddedRequest& request, OAuth2CodeGrant::EmbeddedCompletion completion) {
            presentWebSession(request, std::move(completion));
        };
    model_ = std::make_shared<LoginModel>(PreservedPreferences(), User(), tracker(), makeAuth());
    setPreferredContentSize(QSize(760, 500));
}

LoginViewController::~LoginViewController() {
    if (model_) model_->delegate = nullptr;
    delete webSession_.data();
}

EventTracker LoginViewController::tracker() const { return collaborators_.makeEventTracker(); }
UserAuthentication LoginViewController::makeAuth() const { return collaborators_.makeUserAuthentication(); }

// ---- the view ----

void LoginViewController::loadView() {
    const auto look = appkit::Application::shared().effectiveAppearance();  // the main window's
    auto colour = [look](const char* name) { return appkit::colorNamed(name, look); };
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("LoginView"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, colour("WindowBackground"));
    palette.setColor(QPalette::WindowText, colour("HeadingText"));
    view->setPalette(palette);
    auto* stack = new QStackedLayout(view);
    stack->setStackingMode(QStackedLayout::StackAll);

    // The loading state: the map behind the logo and "Loading...".
    auto* loading = new QWidget(view);
    loading->setObjectName(QStringLiteral("loadingView"));
    auto* loadingLayout = new QVBoxLayout(loading);
    mapImgView_ = new QLabel(loading);
    mapImgView_->setObjectName(QStringLiteral("mapImgView"));
    mapImgView_->setAlignment(Qt::AlignCenter);
    QPixmap map = appkit::imageNamed("DashboardMap", QSize(420, 420));
    if (look == appkit::Appearance::DarkAqua) {
        // The map is a pale picture made for a light ground: in the dark look "Loading..." stands
        // on it in light text, so the map stays a faint hint there, as on the dashboard.
        QPixmap faint(map.size());
        faint.setDevicePixelRatio(map.devicePixelRatio());
        faint.fill(Qt::transparent);
        QPainter painter(&faint);
        painter.setOpacity(0.12);
        painter.drawPixmap(0, 0, map);
        painter.end();
        map = faint;
    }
    mapImgView_->setPixmap(map);
    auto* loadingColumn = new QWidget(mapImgView_);
    auto* column = new QVBoxLayout(loadingColumn);
    logo_ = new QLabel(loadingColumn);
    logo_->setObjectName(QStringLiteral("logo"));
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setPixmap(appkit::imageNamed("Logo_doc", QSize(120, 120)));
    lblLoading_ = new QLabel(loadingColumn);
    lblLoading_->setObjectName(QStringLiteral("lblLoading"));
    lblLoading_->setAlignment(Qt::AlignCenter);
    QFont body = lblLoading_->font();
    body.setPixelSize(14);
    lblLoading_->setFont(body);
    column->addStretch();
    column->addWidget(logo_);
    column->addSpacing(12);
    column->addWidget(lblLoading_);
    column->addStretch();
    loadingLayout->setContentsMargins(0, 0, 0, 0);
    loadingLayout->addWidget(mapImgView_);
    auto* overMap = new QVBoxLayout(mapImgView_);
    overMap->addWidget(loadingColumn);

    stack->addWidget(loading);
    setView(view);
}

// The sign-in controls are made the first time they are revealed: the window opens on the loading
// state, and their fonts, style sheets and layout would otherwise hold back its first paint.
void LoginViewController::makeLoginView() {
    if (loginView_ || !isViewLoaded()) return;
    QWidget* view = this->view();
    auto* stack = qobject_cast<QStackedLayout*>(view->layout());
    if (!stack) return;
    const auto look = appkit::Application::shared().effectiveAppearance();
    auto colour = [look](const char* name) { return appkit::colorNamed(name, look); };

    // The promotional pages on the left, the sign-in controls on the right.
    loginView_ = new QWidget(view);
    loginView_->setVisible(false);
    loginView_->setObjectName(QStringLiteral("loginView"));
    auto* row = new QHBoxLayout(loginView_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* pages = new QWidget(loginView_);
    pages->setObjectName(QStringLiteral("promotionalPages"));
    pages->setFixedSize(kItemSize);
    pages->setAutoFillBackground(true);
    QPalette pagePalette = pages->palette();
    pagePalette.setColor(QPalette::Window, colour("BottomColor"));
    pages->setPalette(pagePalette);
    collectionView_ = new CustomCollectionView(kItemSize, pages);
    auto* dotRow = new QWidget(pages);
    auto* dotLayout = new QHBoxLayout(dotRow);
    dotLayout->setContentsMargins(0, 0, 0, 0);
    dotLayout->setSpacing(8);
    for (int i = 0; i < 4; ++i) {
        dots_[static_cast<std::size_t>(i)] = makeDot(i, dotRow);
        dotLayout->addWidget(dots_[static_cast<std::size_t>(i)]);
        // Two pages: the third and fourth dots exist and stay out of sight.
        dots_[static_cast<std::size_t>(i)]->setVisible(i < 2);
        QPushButton* dot = dots_[static_cast<std::size_t>(i)];
        connect(dot, &QPushButton::clicked, this, [this, dot] { showPage(dot->property("tag").toInt()); });
    }
    dotRow->adjustSize();
    dotRow->move((kItemSize.width() - dotRow->width()) / 2, kItemSize.height() - 36);
    dotRow->raise();
    row->addWidget(pages);

    auto* panel = new QWidget(loginView_);
    auto* controls = new QVBoxLayout(panel);
    controls->setContentsMargins(40, 40, 40, 40);
    controls->setSpacing(0);
    mainTitle_ = new QLabel(panel);
    mainTitle_->setObjectName(QStringLiteral("mainTitle"));
    QFont title = mainTitle_->font();
    title.setPixelSize(20);
    title.setBold(true);
    mainTitle_->setFont(title);
    mainTitle_->setWordWrap(true);
    lblTitle_ = new QLabel(panel);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont heading = lblTitle_->font();
    heading.setPixelSize(16);
    heading.setWeight(QFont::Medium);
    lblTitle_->setFont(heading);
    lblTitle_->setWordWrap(true);
    lblSubTitle_ = new QLabel(panel);
    lblSubTitle_->setObjectName(QStringLiteral("lblSubTitle"));
    QFont body = lblSubTitle_->font();
    body.setPixelSize(14);
    lblSubTitle_->setFont(body);
    lblSubTitle_->setWordWrap(true);
    QPalette secondary = lblSubTitle_->palette();
    secondary.setColor(QPalette::WindowText, colour("TabText"));
    lblSubTitle_->setPalette(secondary);

    const QString themeColour = colour("ThemeColor").name();
    const QString fillColour = colour("ThemeFill").name();
    btnLogin_ = new QPushButton(panel);
    btnLogin_->setObjectName(QStringLiteral("btnLogin"));
    btnLogin_->setProperty("tag", kLoginTag);
    btnLogin_->setFixedHeight(40);
    btnLogin_->setCursor(Qt::PointingHandCursor);
    btnLogin_->setStyleSheet(QStringLiteral("QPushButton{background:%1;border:none;border-radius:8px;}"
                                            "QPushButton:disabled{background:%2;}")
                                 .arg(fillColour, colour("Separator").name()));
    auto* captionLayout = new QHBoxLayout(btnLogin_);
    lblLogin_ = new QLabel(btnLogin_);
    lblLogin_->setObjectName(QStringLiteral("lblLogin"));
    lblLogin_->setAlignment(Qt::AlignCenter);
    lblLogin_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblLogin_->setStyleSheet(QStringLiteral("color:white;font-size:14px;font-weight:600;"));
    captionLayout->addWidget(lblLogin_);
    connect(btnLogin_, &QPushButton::clicked, this, [this] { loginClicked(btnLogin_->property("tag").toInt()); });

    createAccountButton_ = new QPushButton(panel);
    createAccountButton_->setObjectName(QStringLiteral("createAccountButton"));
    createAccountButton_->setFixedHeight(40);
    createAccountButton_->setCursor(Qt::PointingHandCursor);
    createAccountButton_->setStyleSheet(QStringLiteral("QPushButton{background:transparent;color:%1;border:1px solid %2;"
                                                       "border-radius:8px;font-size:14px;}")
                                            .arg(themeColour, colour("Separator").name()));
    connect(createAccountButton_, &QPushButton::clicked, this, [this] { signUpButtonClicked(); });

    activityIndicator_ = new ActivityIndicator(panel);
    activityIndicator_->setObjectName(QStringLiteral("activityIndicator"));
    activityIndicator_->setVisible(false);

    controls->addStretch();
    controls->addWidget(mainTitle_);
    controls->addSpacing(24);
    controls->addWidget(lblTitle_);
    controls->addSpacing(10);
    controls->addWidget(lblSubTitle_);
    controls->addSpacing(32);
    controls->addWidget(btnLogin_);
    controls->addSpacing(12);
    controls->addWidget(createAccountButton_);
    controls->addSpacing(16);
    controls->addWidget(activityIndicator_, 0, Qt::AlignHCenter);
    controls->addStretch();
    row->addWidget(panel, 1);

    stack->addWidget(loginView_);
    // What was asked of the controls before they existed.
    btnLogin_->setEnabled(enableAuthentication.value());
    createAccountButton_->setEnabled(enableAuthentication.value());
    activityIndicator_->setVisible(activityShown_);
    configureDots();
    colourDots(currentIndex_);
    applyTexts();
}

void LoginViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    // The loading state, revealed after three seconds (the block keeps the screen only weakly:
    // a page replaced meanwhile has nothing to reveal).
    logo_->setVisible(true);
    mapImgView_->setVisible(true);
    lblLoading_->setVisible(true);
    model_->delegate = this;
    QPointer<LoginViewController> self(this);
    DispatchQueue::main().asyncAfter(kRevealSeconds, [self] {
        if (self) self->revealLoginView();
    });
    applyTexts();  // also on each appearance; set now so the first picture has them
}

void LoginViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    QPointer<LoginViewController> self(this);
    DispatchQueue::main().async([self] {
        if (self) self->applyTexts();
    });
    if (!timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { autoScroll(); });
    }
    timer_->start(static_cast<int>(kAutoScrollInterval * 1000));
}

void LoginViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    if (timer_) timer_->stop();
}

void LoginViewController::applyTexts() {
    if (!isViewLoaded()) return;
    lblLoading_->setText(text("loading") + QStringLiteral("..."));
    if (!loginView_) return;
    mainTitle_->setText(text("login.title"));
    lblTitle_->setText(text("onboarding.title.one"));
    lblSubTitle_->setText(text("onboarding.description.one"));
    lblLogin_->setText(text("login"));
    createAccountButton_->setText(text("signup"));
}

bool LoginViewController::isLoginViewShown() const { return loginView_ && !loginView_->isHidden(); }

void LoginViewController::revealLoginView() {
    if (!isViewLoaded()) return;
    makeLoginView();
    if (!loginView_) return;
    mapImgView_->setVisible(false);
    loginView_->setVisible(true);
    logo_->setVisible(false);
    lblLoading_->setVisible(false);
    configureCarousel();
    loginView_->raise();
    resumeSession();
}

// ---- busy and idle ----

void LoginViewController::setBusy(bool busy) {
    if (requestInProcess.value() == busy && enableAuthentication.value() == !busy) return;
    requestInProcess.store(busy);
    enableAuthentication.store(!busy);
    requestInProcess.notify();
    enableAuthentication.notify();
    if (btnLogin_) btnLogin_->setEnabled(!busy);
    if (createAccountButton_) createAccountButton_->setEnabled(!busy);
}

void LoginViewController::showActivity(bool shown) {
    QPointer<LoginViewController> self(this);
    DispatchQueue::main().async([self, shown] {
        if (!self) return;
        self->activityShown_ = shown;
        if (self->activityIndicator_) self->activityIndicator_->setVisible(shown);
    });
}

// ---- sign-in ----

void LoginViewController::loginClicked(int tag) {
    if (tag == 0) {
        signUpButtonClicked();
        return;
    }
    startAuthorization();
    if (btnLogin_) btnLogin_->setEnabled(false);
    QPointer<LoginViewController> self(this);
    oauth2_->authorizeEmbedded(collaborators_.presentSignIn, {},
                               [self, tag](std::optional<OAuth2CodeGrant::Parameters> parameters, std::optional<Error> error) {
                                   if (self) self->handleAuthorizationCallback(parameters, error, tag);
                               });
}

void LoginViewController::signUpButtonClicked() { collaborators_.openURL(model_->pricingPageURL()); }

void LoginViewController::startAuthorization() {
    Dictionary settings;
    {
        std::lock_guard lock(settingsMutex);
        screenSettings()["authorize_uri"] = Value(authorizeURL());
        settings = screenSettings();
    }
    oauth2_ = std::make_unique<OAuth2CodeGrant>(std::move(settings));
    oauth2_->authConfig.authorizeEmbedded = true;
    oauth2_->authConfig.useAuthenticationSession = true;
    oauth2_->authConfig.prefersEphemeralWebBrowserSession = true;
    oauth2_->additionalParameters = {};
    oauth2_->customParameters = {};
    oauth2_->logger = [](std::string_view line) { log::print("[OAuth2] " + std::string(line)); };
}

void LoginViewController::presentWebSession(const OAuth2CodeGrant::EmbeddedRequest& request,
                                            OAuth2CodeGrant::EmbeddedCompletion completion) {
    // One session at a time; its window exists only while it runs.
    delete webSession_.data();
    auto* session = new appkit::WebAuthenticationSession(
        QUrl(QString::fromStdString(request.url)), QString::fromStdString(request.callbackScheme),
        [completion](std::optional<QUrl> url, std::optional<Error> error) {
            if (url) completion(url->toString(QUrl::FullyEncoded).toStdString(), std::nullopt);
            else completion(std::nullopt, error);
        },
        this);
    session->prefersEphemeralWebBrowserSession = request.ephemeral;
    session->windowTitle = text("login");
    QPointer<LoginViewController> self(this);
    session->presentationAnchor = [self]() -> QWidget* { return self && self->isViewLoaded() ? self->view()->window() : nullptr; };
    webSession_ = session;
    // Released by the callback's handling once the session has ended (handleAuthorizationCallback).
    session->start();
}

void LoginViewController::handleAuthorizationCallback(const std::optional<OAuth2CodeGrant::Parameters>& parameters,
                                                      const std::optional<Error>& error, int tag) {
    if (webSession_ && !webSession_->isRunning()) webSession_->deleteLater();
    if (btnLogin_) btnLogin_->setEnabled(true);
    if (error) {
        // The window closed, or the server said no: the outcome as any other failed sign-in.
        handleAuthenticationCase({UserAuthentication::AuthenticationCase::Kind::AuthError, error}, tag);
        return;
    }
    auto code = parameters ? parameters->find("code") : OAuth2CodeGrant::Parameters::const_iterator();
    if (!parameters || code == parameters->end()) return;  // no code and no error: nothing to say
    showActivity(true);
    QPointer<LoginViewController> self(this);
    // The verifier goes with this one exchange; the grant keeps no copy of it.
    const std::string verifier = oauth2_ ? oauth2_->takeCodeVerifier() : std::string();
    makeAuth().exchangeAuthorizationCode(code->second, verifier, [self, tag](UserAuthentication::AuthenticationCase outcome) {
        if (self) self->handleAuthenticationCase(outcome, tag);
    });
}

std::optional<std::string_view> LoginViewController::refusalMessageKey(const Error& error) {
    if (error.domain == kOAuth2ErrorDomain) {
        switch (error.code) {
            case OAuth2ErrorCode::authorizationDenied: return "signin.refused.denied";
            case OAuth2ErrorCode::invalidState:
            case OAuth2ErrorCode::invalidRedirect: return "signin.refused.callback";
            default: return std::nullopt;
        }
    }
    if (error.domain == appkit::kWebAuthenticationSessionErrorDomain &&
        error.code == appkit::WebAuthenticationSessionErrorCode::insecurePage)
        return "signin.refused.insecure";
    return std::nullopt;
}

void LoginViewController::handleAuthenticationCase(const UserAuthentication::AuthenticationCase& outcome, int tag) {
    using Kind = UserAuthentication::AuthenticationCase::Kind;
    if (btnLogin_) btnLogin_->setEnabled(true);
    setBusy(false);
    showActivity(false);
    QPointer<LoginViewController> self(this);
    auto retry = lifetime_.callback<>([self, tag] {
        if (self) self->loginClicked(tag);
    });
    switch (outcome.kind) {
        case Kind::UserInfoError: {
            const Error error = outcome.error.value_or(Error());
            if (isServerRefusal(error)) Alert().showSignInRefused(AppScreen::Login, error, tracker(), retry);
            else Alert().showUserInfoFailed(AppScreen::Login, error, tracker(), retry);
            return;
        }
        case Kind::AuthError: {
            const Error error = outcome.error.value_or(Error());
            const bool cancelled =
                (error.domain == kOAuth2ErrorDomain && error.code == OAuth2ErrorCode::requestCancelled) ||
                (error.domain == appkit::kWebAuthenticationSessionErrorDomain &&
                 error.code == appkit::WebAuthenticationSessionErrorCode::canceledLogin);
            if (cancelled) return;
            // A refused redirect or page gets its own message; nothing of the redirect's text is
            // shown (anyone can open a callback URL). The gateway's own refusal is the service's.
            if (auto key = refusalMessageKey(error)) {
                Alert().showLocalized("alert.title.something.went.wrong", *key);
                return;
            }
            if (isServerRefusal(error)) Alert().showSignInRefused(AppScreen::Login, error, tracker(), retry);
            else Alert().showUserInfoFailed(AppScreen::Login, error, tracker(), retry);
            return;
        }
        case Kind::NoSubscription:
        case Kind::SingleSubscription:
        case Kind::MultipleSubscription:
            model_->continueSignIn(outcome);
            return;
    }
}

// ---- resuming a signed-in session ----

void LoginViewController::resumeSession() {
    if (!User().loggedIn()) return;  // the login view waits for a click
    setBusy(true);
    showActivity(false);
    QPointer<LoginViewController> self(this);
    model_->userAuthentication = makeAuth();
    model_->resumeSignedInUser([self](UserAuthentication::AppLaunchCase outcome) {
        if (self) self->handleLaunchCase(outcome);
    });
}

void LoginViewController::handleLaunchCase(const UserAuthentication::AppLaunchCase& outcome) {
    using Kind = UserAuthentication::AppLaunchCase::Kind;
    setBusy(false);
    showActivity(false);
    QPointer<LoginViewController> self(this);
    auto retry = lifetime_.callback<>([self] {
        if (self) self->resumeSession();
    });
    switch (outcome.kind) {
        case Kind::UserInfoError:
            Alert().showUserInfoFailed(AppScreen::Dashboard, outcome.error.value_or(Error()), tracker(), retry);
            return;
        case Kind::VpnPasswordError: {
            if (!outcome.loginError) return;
            const LoginError& failure = *outcome.loginError;
            if (failure.fetchCode() == UserAuthentication::notMigratedCode) {
                model_->askMigrationConsent();
            } else if (failure.kind == LoginError::Kind::UnableToFetchPassword && failure.error) {
                Alert().showVPNPasswordFailed(AppScreen::Login, *failure.error, tracker(), retry);
            } else if (failure.kind == LoginError::Kind::UnableToDecryptPassword) {
                Alert().showVPNPasswordFailed(AppScreen::Login, Error(std::string(kMorvexVPNErrorDomain), 0, failure.description()),
                                              tracker(), retry);
            }
            return;
        }
        case Kind::MigrateToFAError:
            Alert().showImportTokenFailed(AppScreen::Login, outcome.error.value_or(Error()), tracker());
            return;
        case Kind::MigrateToEmailError:
        case Kind::Authenticated:
        case Kind::Payment:
            model_->userAuthentication.finishSignIn();
            return;
        case Kind::NotLoggedIn:
        case Kind::InvalidUserDetails:
            return;
    }
}

// ---- the account chooser ----

void LoginViewController::showAccountPicker() {
    appkit::Storyboard* board = appkit::Storyboard::named(kAccountChooserStoryboard);
    QObject* made = board ? board->instantiateController(kAccountChooserID) : nullptr;
    auto* chooser = dynamic_cast<AccountChooser*>(made);
    auto* controller = qobject_cast<appkit::ViewController*>(made);
    if (!chooser || !controller) {
        log::print("[LoginViewController] no account chooser to show");
        delete made;
        return;
    }
    chooser->setDelegate(this);
    chooser->setFetchAccountNotification("LoginViewController");
    presentAsSheet(controller);
}

void LoginViewController::selectAccount(const UserAuthentication::VPNAccount& account) {
    setBusy(true);
    showActivity(false);
    UserAuthentication auth = model_->userAuthentication;
    auth.user.setVpnUsername(account.username);
    QPointer<LoginViewController> self(this);
    auth.fetchVPNPassword(account.username, std::nullopt, std::nullopt, [self, auth, account](UserAuthentication::PasswordResult result) mutable {
        auth.saveLoggedInUser(std::move(result), account, [self, account](UserAuthentication::PasswordResult saved) {
            if (self) self->handleAccountPasswordResult(saved, account);
        });
    });
}

void LoginViewController::handleAccountPasswordResult(const UserAuthentication::PasswordResult& result,
                                                      const UserAuthentication::VPNAccount& account) {
    setBusy(false);
    showActivity(false);
    if (result) {
        model_->userAuthentication.finishSignIn();
        return;
    }
    const LoginError& failure = result.error();
    QPointer<LoginViewController> self(this);
    auto retry = lifetime_.callback<>([self, account] {
        if (self) self->selectAccount(account);
    });
    if (failure.fetchCode() == UserAuthentication::notMigratedCode) {
        model_->askMigrationConsent();
    } else if (failure.kind == LoginError::Kind::UnableToFetchPassword && failure.error) {
        Alert().showVPNPasswordFailed(AppScreen::Login, *failure.error, tracker(), retry);
    } else if (failure.kind == LoginError::Kind::UnableToDecryptPassword) {
        Alert().showVPNPasswordFailed(AppScreen::Login, Error(std::string(kMorvexVPNErrorDomain), 0, failure.description()), tracker(),
                                      retry);
    }
}

void LoginViewController::accountChoiceCancelled() {
    if (auto logout = AlertServices::installed().logout) logout();
    UserDefaults::standard().set(Value(infoDataStoreVersion()), AppPreferences::Key::dataStoreVersion);
}

// ---- the promotional pages ----

QColor LoginViewController::shownDotColour() {
    return appkit::colorNamed("PageDotActive", appkit::Application::shared().effectiveAppearance());
}
QColor LoginViewController::otherDotColour() {
    return appkit::colorNamed("PageDotInactive", appkit::Application::shared().effectiveAppearance());
}

QColor LoginViewController::dotColour(int page) const {
    if (page < 0 || page >= static_cast<int>(dots_.size()) || !dots_[static_cast<std::size_t>(page)]) return {};
    return dots_[static_cast<std::size_t>(page)]->property("dotColour").value<QColor>();
}

void LoginViewController::configureDots() {
    for (const auto& dot : dots_) {
        if (!dot) continue;
        dot->setProperty("radius", dot->height() / 2);  // round dots
    }
}

void LoginViewController::configureCarousel() {
    if (carouselMade_) return;
    carouselMade_ = true;
    collectionView_->reloadData(static_cast<int>(kPromotionalImageNames.size()), [](int index) -> QWidget* {
        auto* item = new PromotionalScreenCollectionViewItem(kItemSize);
        // Each page shows its own picture, with no texts (the screen shows them once beside it).
        item->configure(kPromotionalImageNames[static_cast<std::size_t>(index)], "", "");
        return item;
    });
    collectionView_->scrollToItem(currentIndex_);
}

void LoginViewController::advancePage() {
    int next = currentIndex_ + 1;
    if (next > static_cast<int>(kPromotionalImageNames.size()) - 1) next = 0;
    if (collectionView_) collectionView_->scrollToItem(next, kPageAnimationSeconds);
    currentIndex_ = next;
    colourDots(next);
}

void LoginViewController::showPage(int page) {
    if (page == currentIndex_ || page < 0 || page >= static_cast<int>(kPromotionalImageNames.size())) return;
    currentIndex_ = page;
    if (collectionView_) collectionView_->scrollToItem(currentIndex_, kPageAnimationSeconds);
    colourDots(currentIndex_);
}

void LoginViewController::colourDots(int page) {
    for (int i = 0; i < 2; ++i) {
        QPushButton* dot = dots_[static_cast<std::size_t>(i)];
        if (!dot) continue;
        const QColor colour = i == page ? shownDotColour() : otherDotColour();
        dot->setProperty("dotColour", colour);
        dot->setStyleSheet(QStringLiteral("QPushButton{background:%1;border:none;border-radius:%2px;}")
                               .arg(colour.name())
                               .arg(dot->property("radius").toInt()));
    }
}

}  // namespace morvex
