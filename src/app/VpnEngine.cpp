#include "app/VpnEngine.h"
#include "flows/MorvexVPNService.h"

#include "foundation/Dispatch.h"
#include "state/User.h"
#include "vpn/Zevu.h"
#include "zevu/ZevuManager.h"

namespace morvex {

namespace {

class SdkEngine final : public VpnEngine {
public:
    // The engine's set-up: configuration, the state listener as delegate, hooks and credentials.
    void setUpSDK(const User& user) override { Zevu::configureSDK(user, MorvexVPNService::makeZevu); }

    int vpnStatus() const override {
        auto manager = zevu::ZevuManager::sharedInstance();
        return manager ? manager->getCurrentVPNStatus() : zevu::rawValue(zevu::ZevuVPNState::Invalid);
    }

    void disconnectVPN() override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->disconnectVPN();
    }

    void reconnectVPN() override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->reconnectVPN();
    }

    void setDoCheckInternetConnectivity(bool check) override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->setDoCheckInternetConnectivity(check);
    }

    void fetchCountries(std::function<void(std::optional<Countries>)> completion) override {
        auto manager = zevu::ZevuManager::sharedInstance();
        if (!manager) {
            completion(std::nullopt);
            return;
        }
        // The SDK answers on its own thread; the caller hears it on the main thread, once.
        auto shared = std::make_shared<std::function<void(std::optional<Countries>)>>(std::move(completion));
        manager->getCountriesWithSuccess(
            [shared](std::optional<Countries> countries) {
                DispatchQueue::main().async([shared, countries = std::move(countries)] { (*shared)(countries); });
            },
            [shared](std::optional<zevu::Error>) {
                DispatchQueue::main().async([shared] { (*shared)(std::nullopt); });
            });
    }
};

}  // namespace

std::shared_ptr<VpnEngine> VpnEngine::sdk() { return std::make_shared<SdkEngine>(); }

}  // namespace morvex
