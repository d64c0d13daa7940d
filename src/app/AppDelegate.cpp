#include "app/AppDelegate.h"

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sys/random.h>
#include <utility>

#include "alerts/Alert.h"
#include "appkit/UserNotifications.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "foundation/Analytics.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/DistributedNotificationCenter.h"
#include "foundation/Log.h"
#include "foundation/LogMasking.h"
#include "foundation/LoginItem.h"
#include "foundation/RunningApplications.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "state/AppManager.h"
#include "state/AppPreferences.h"
#include "state/CoreDataService.h"
#include "state/Crypto.h"
#include "state/LanguageManager.h"
#include "state/PreservedPreferences.h"
#include "state/StoredValueCoding.h"
#include "state/User.h"
#include "vpn/AppError.h"
#include "viewmodels/GeneralModel.h"
#include "ui/preferences/GeneralViewController.h"

namespace morvex {

namespace {
__extension__ typedef unsigned __int128 Product;

// 2001-01-01T00:00:00Z in seconds since 1970.
constexpr double kReferenceDateOffset = 978307200.0;

std::uint64_t secureRandom64() {
    std::uint64_t value = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&value);
    std::size_t got = 0;
    while (got < sizeof value) {
        const ssize_t n = ::getrandom(bytes + got, sizeof value - got, 0);
        if (n > 0) got += std::size_t(n);
    }
    return value;
}

bool isUp(int status) {
    return status == zevu::rawValue(zevu::ZevuVPNState::Connected) ||
           status == zevu::rawValue(zevu::ZevuVPNState::Connecting);
}
}  // namespace

double absoluteTimeNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count() - kReferenceDateOffset;
}

double appLaunchStartTime = 0;

std::string generateCodeVerifier(std::size_t length) { return generateCodeVerifier(length, secureRandom64); }

std::string generateCodeVerifier(std::size_t length, const std::function<std::uint64_t()>& random) {
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~";
    static_assert(alphabet.size() == 66);
    constexpr std::uint64_t n = alphabet.size();
    constexpr std::uint64_t threshold = (0 - n) % n;  // 2^64 mod n: low products below it are biased
    std::string out;
    out.reserve(length);
    while (out.size() < length) {
        Product product = static_cast<Product>(random()) * n;
        while (static_cast<std::uint64_t>(product) < threshold)
            product = static_cast<Product>(random()) * n;
        out += alphabet[static_cast<std::size_t>(product >> 64)];
    }
    return out;
}

AppDelegate::AppDelegate() : AppDelegate(Collaborators{}) {}

AppDelegate::AppDelegate(Collaborators collaborators) : c_(std::move(collaborators)) {
    if (!c_.engine) c_.engine = VpnEngine::sdk();
    if (!c_.analytics) c_.analytics = std::make_shared<AnalyticsClientTracking>();
    if (!c_.releaseAssertion) c_.releaseAssertion = appkit::IOPMAssertionRelease;
    if (!c_.createAssertion)
        c_.createAssertion = [](appkit::IOPMAssertionID& id) {
            return appkit::IOPMAssertionCreateWithName(appkit::kIOPMAssertionTypePreventUserIdleSystemSleep,
                                                       appkit::kIOPMAssertionLevelOn, GeneralViewController::kSleepAssertionName, id);
        };
    if (!c_.setLoginItem)
        c_.setLoginItem = [](bool enabled) {
            try {
                return SMLoginItemSetEnabled(infoLauncherBundleIdentifier(), enabled);
            } catch (const MissingInfoValue& missing) {
                log::nslog("[AppDelegate] the bundle lacks the Info value \"" + missing.key() + "\"");
                return false;
            }
        };
    if (!c_.clock) c_.clock = absoluteTimeNow;
    if (!c_.alerts) c_.alerts = std::make_shared<QtAlertPresenter>();
}

AppDelegate::~AppDelegate() = default;

appkit::Application& AppDelegate::application() const {
    return c_.application ? *c_.application : appkit::Application::shared();
}

void AppDelegate::applicationWillFinishLaunching() {
    LanguageManager::shared();
    if (!UserDefaults::takeDamagedStoreNotice()) return;
    preferencesWereReset_ = true;
    if (User().loggedIn()) User().reset();
}

void AppDelegate::applicationDidFinishLaunching() {
    if (std::exchange(preferencesWereReset_, false)) Alert().showPreferencesDamaged();
    log::print("[AppDelegate] applicationDidFinishLaunching - Initializing LanguageManager...");
    LanguageManager::shared();
    log::print("[AppDelegate] LanguageManager initialized and initial bundle language set.");

    c_.engine->setUpSDK(User());
    trackAppLaunch();
    launchVersionBookkeeping();

    NotificationCenter& workspace = c_.workspaceCenter ? *c_.workspaceCenter : appkit::Workspace::shared().notificationCenter();
    wakeObserver_ = workspace.addObserver(appkit::Workspace::didWakeNotification, [this](const Notification&) { macDidWake(); });

    killLauncherIfRunning();

    appkit::UserNotificationCenter::current().requestAuthorization(
        appkit::presentation::badge, [](bool, std::optional<Error> error) {
            if (error) log::print(error->localizedDescription());
        });

    applyDesktopPreferences();
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        PreservedPreferences::preferencesRefreshedNotification, [this](const Notification&) {
            // Cleared: the look follows the desktop again, and the desktop follows the defaults.
            GeneralModel::applyStoredAppearance();
            applyDesktopPreferences();
        }));

    // After the first paint: opening the store is not on the way to the window.
    DispatchQueue::main().async([] { AppError::addDefaultRecords(CoreDataService::shared().managedObjectContext()); });

    countryTimer_ = Timer::scheduledTimer(1.0, false, [this](Timer&) { checkCachedCountriesAfterLaunch(); });

    CryptoManager& crypto = CryptoManager::shared();
    crypto.codeVerifier = generateCodeVerifier(43);
    crypto.sha256Base64(crypto.codeVerifier);
}

void AppDelegate::applyDesktopPreferences() {
    PreservedPreferences preferences;
    c_.setLoginItem(preferences.launchOnStartUp());
    if (preferences.preventSleep()) {
        if (sleepAssertionId) return;
        appkit::IOPMAssertionID id = 0;
        if (c_.createAssertion(id) == appkit::kIOReturnSuccess) {
            sleepAssertionId = id;
        } else {
            log::print("[AppDelegate] sleep cannot be held off; \"prevent sleep\" is turned off");
            preferences.setPreventSleep(false);
        }
        return;
    }
    if (sleepAssertionId) {
        c_.releaseAssertion(*sleepAssertionId);
        sleepAssertionId.reset();
    }
}

void AppDelegate::trackAppLaunch() {
    const double milliseconds = (c_.clock() - appLaunchStartTime) * 1000.0;
    EventTracker(c_.analytics, AppPreferences(), PreservedPreferences())
        .track(AnalyticsEvent::app_launched, Dictionary{{"launch_time", Value(milliseconds)}});
}

void AppDelegate::launchVersionBookkeeping() {
    const std::string running = appVersionText();
    UserDefaults defaults = UserDefaults::standard();
    const auto stored = defaults.string(AppPreferences::Key::version);
    if (stored && *stored == running) return;
    if (stored) {
        User().setReadNotificationsFromFirestoreCache(true);
        EventTracker(c_.analytics, AppPreferences(), PreservedPreferences())
            .track(AnalyticsEvent::app_updated, Dictionary{{"from", Value(*stored)}, {"to", Value(running)}});
    }
    defaults.set(Value(running), AppPreferences::Key::version);
}

void AppDelegate::killLauncherIfRunning() {
    std::string launcher;
    try {
        launcher = infoLauncherBundleIdentifier();
    } catch (const MissingInfoValue&) {
        return;
    }
    if (!RunningApplications::isRunning(launcher)) return;
    DistributedNotificationCenter::defaultCenter().post(killLauncherNotification,
                                                        Bundle::main().bundleIdentifier().value_or(""));
}

void AppDelegate::checkCachedCountriesAfterLaunch() {
    const auto cached = decodableArray<zevu::ZevuCountry>(UserDefaults::standard(), AppPreferences::Key::countries);
    if (cached && !cached->empty()) return;
    DispatchQueue::main().asyncAfter(2.0, [this] { prefetchCountriesAtLaunch(); });
}

void AppDelegate::prefetchCountriesAtLaunch() {
    c_.engine->fetchCountries([](std::optional<VpnEngine::Countries> countries) {
        if (!countries) return;
        // One JSON data element per SDK record, as the catalogue reads them back.
        Array stored;
        for (const auto& country : *countries) {
            const std::string text = nlohmann::json(country).dump();
            stored.emplace_back(Bytes(text.begin(), text.end()));
        }
        UserDefaults::standard().set(Value(std::move(stored)), AppPreferences::Key::countries);
    });
}

void AppDelegate::applicationWillBecomeActive() { applyDockVisibility(true); }

void AppDelegate::applicationDidResignActive() { applyDockVisibility(false); }

void AppDelegate::applyDockVisibility(bool becomingActive) {
    if (!UserDefaults::standard().boolean(AppPreferences::Key::hideFromDock)) return;
    application().setActivationPolicy(becomingActive ? appkit::ActivationPolicy::Regular : appkit::ActivationPolicy::Accessory);
}

void AppDelegate::macDidWake() { handleWake(); }

void AppDelegate::handleWake() {
    if (!PreservedPreferences().autoConnectFromSleep()) return;
    if (isUp(c_.engine->vpnStatus())) return;
    reconnectAfterWake();
}

void AppDelegate::reconnectAfterWake() {
    if (!User().loggedIn()) return;
    AppPreferences().setOnGoingConnectionId(decimalText(c_.clock()));
    c_.engine->setDoCheckInternetConnectivity(false);
    c_.engine->reconnectVPN();
}

appkit::TerminateReply AppDelegate::applicationShouldTerminate() {
    if (isRelaunching()) return appkit::TerminateReply::Now;
    if (!isUp(c_.engine->vpnStatus())) return appkit::TerminateReply::Now;
    // Without a window to ask on, nobody could ever answer: quit as if not connected.
    return showQuitSheet() ? appkit::TerminateReply::Later : appkit::TerminateReply::Now;
}

bool AppDelegate::showQuitSheet() {
    appkit::Window* window = application().firstWindow();
    if (!window) return false;
    Alert alert;
    alert.title = localized("app.quit");
    alert.message = localized("vpn.disconnect.on.quit");
    alert.buttons = {localized("yes"), localized("no")};
    alert.window = QtAlertPresenter::alertWindow(window);
    // Every end of the sheet answers the deferred quit, a button's and any other.
    auto answered = [this](ModalResponse response) { quitSheetAnswered(response); };
    return c_.alerts->beginSheet(alert, answered, answered);
}

void AppDelegate::quitSheetAnswered(long response) {
    appkit::Application& app = application();
    if (response == appkit::modal::firstButton) {
        c_.engine->disconnectVPN();
        AppManager::shared().lastVPNStateConnected = false;
        DispatchQueue::main().asyncAfter(1.0, [&app] { app.replyToApplicationShouldTerminate(true); });
        return;
    }
    // "no", and a sheet that ended any other way: the deferred quit must be answered, or the
    // application would refuse every later quit.
    app.replyToApplicationShouldTerminate(false);
}

void AppDelegate::applicationWillTerminate() {
    CoreDataService::shared().saveContext();
    wakeObserver_.remove();
    observers_.clear();
    if (sleepAssertionId) {
        c_.releaseAssertion(*sleepAssertionId);
        sleepAssertionId.reset();
    }
}

void AppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(const Bytes& token) {
    std::string hex;
    char pair[3];
    for (std::uint8_t byte : token) {
        std::snprintf(pair, sizeof pair, "%02hhx", byte);
        hex += pair;
    }
    log::print(hex);
}

void AppDelegate::didFailToRegisterForRemoteNotificationsWithError(const Error& error) {
    log::print("Remote notification support is unavailable due to error: " + error.localizedDescription());
}

void AppDelegate::didReceiveRemoteNotification(const Dictionary& userInfo) {
    try {
        log::print("Remote notification: " + log::describeBody(plainJson(Value(userInfo)).dump()));
    } catch (const nlohmann::json::exception&) {
        log::print("something went wrong with parsing json");
    }
}

}  // namespace morvex
