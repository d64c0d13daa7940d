// Logout clean-up (User::reset) on a preferences store that also holds about 1 MB of other values,
// as it does once the country list is cached. Each iteration starts from a signed-in record.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/Bundle.h"
#include "foundation/Keychain.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"
#include "state/User.h"

namespace {

using namespace morvex;

// A private configuration directory and a bundle whose Info values name the application.
struct Sandbox {
    std::filesystem::path root;
    Sandbox() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvex-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(root / "bundle" / "Resources");
        std::ofstream(root / "bundle" / "Resources" / "Info.json")
            << R"({"Application Bundle identifier": "com.morvex.mac.vpn"})";
        paths::setConfigDirectoryOverride(root / "config");
        UserDefaults::releaseStores();
        Bundle::setMainBundlePath(root / "bundle");
        Keychain::setBackend(Keychain::Backend::File);
    }
    ~Sandbox() {
        UserDefaults::releaseStores();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

void fillOtherValues(UserDefaults& defaults) {
    Array countries;
    for (int i = 0; i < 1024; ++i) countries.emplace_back(Bytes(1024, static_cast<std::uint8_t>(i)));
    defaults.set(Value(std::move(countries)), "AppPreference.countries");
}

void signIn(User& user) {
    user.setLoggedIn(true);
    user.setClientId("4711");
    user.setVpnUsername("vpn-alice");
    user.setUsername("alice");
    user.setEmail("alice@example.com");
    user.setStatus(User::Status::Active);
    user.setClientType(User::ClientType::paid);
    user.setBillingCycle("monthly");
    user.setExpiryDate("2027-01-01");
    user.setActiveAddons(std::vector{ActiveAddon("dip", "Dedicated IP", "2027-01-01", "active")});
    user.setDedicatedIPDetail(DedicatedIPDetail{"203.0.113.7", "DE", {}});
    user.setVpnPassword("vpn-secret");
    user.defaults().set(Value(Array{}), "4711.vpnAccounts");
}

void BM_UserReset(benchmark::State& state) {
    Sandbox sandbox;
    auto defaults = UserDefaults::standard();
    fillOtherValues(defaults);
    User user;
    for (auto _ : state) {
        state.PauseTiming();
        signIn(user);
        state.ResumeTiming();
        user.reset();
    }
}
BENCHMARK(BM_UserReset)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
