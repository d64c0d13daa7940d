#pragma once
// A test's alert world: a presenter that records every alert and answers the buttons the test
// presses, a VPN SDK that records its calls, and recorders for links, logouts, the application's
// end, launched programs, delayed blocks and analytics events. Installed for each test and
// replaced by the previous services afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "support/TestSupport.h"
#include "support/RecordingTracking.h"
#include "support/RecordingVPN.h"
#include "zevu/ZevuCore.h"

namespace morvex::test {

class RecordingPresenter : public AlertPresenter {
public:
    struct Shown {
        Alert alert;
        AlertHandler handler;
        bool modal = false;
    };
    std::vector<Shown> shown;
    int endedFromOutside = 0;
    // When set, every sheet is answered with it as soon as it begins.
    std::optional<ModalResponse> answer;

    void beginSheet(const Alert& alert, AlertHandler handler) override {
        shown.push_back({alert, handler, false});
        if (answer && handler) handler(*answer);
    }
    ModalResponse runModal(const Alert& alert) override {
        shown.push_back({alert, {}, true});
        return alertFirstButtonReturn;
    }
    void endAttachedAlertSheet() override { ++endedFromOutside; }

    const Alert& last() const { return shown.back().alert; }
    // Ends the last sheet as the user would with its shown button at `index`.
    void press(std::size_t index) {
        ASSERT_FALSE(shown.empty()) << "no alert was shown";
        auto& s = shown.back();
        ASSERT_LT(index, s.alert.shownButtons().size()) << "the alert has no button " << index;
        if (s.handler) s.handler(Alert::responseForButton(index));
    }
    void respond(ModalResponse response) {
        ASSERT_FALSE(shown.empty()) << "no alert was shown";
        if (shown.back().handler) shown.back().handler(response);
    }
};



struct Launch {
    std::string program;
    std::vector<std::string> arguments;
};

class AlertTest : public TempConfigTest {
protected:
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::shared_ptr<RecordingVPN> vpn = std::make_shared<RecordingVPN>();
    std::shared_ptr<RecordingTracking> analytics = std::make_shared<RecordingTracking>();
    AppManager appManager;
    std::vector<std::string> opened;
    int logouts = 0;
    int terminations = 0;
    std::vector<int> exits;
    std::vector<Launch> launches;
    // Programs really start when true; otherwise they are only recorded.
    bool launchForReal = false;
    std::optional<Error> launchFailure;
    std::vector<std::pair<double, std::function<void()>>> delayed;

    void SetUp() override {
        TempConfigTest::SetUp();
        previous_ = AlertServices::installed();
        AlertServices::install(services());
    }
    void TearDown() override {
        AlertServices::install(previous_);
        TempConfigTest::TearDown();
    }

    AlertServices services() {
        AlertServices s;
        s.presenter = presenter;
        s.vpn = vpn;
        s.openURL = [this](const std::string& url) { opened.push_back(url); };
        s.logout = [this] { ++logouts; };
        s.terminate = [this] { ++terminations; };
        s.exitProcess = [this](int status) { exits.push_back(status); };
        s.launchProcess = [this](const std::string& program, const std::vector<std::string>& arguments) -> Result<void> {
            launches.push_back({program, arguments});
            if (launchFailure) return fail(*launchFailure);
            if (launchForReal) return AlertServices::defaults().launchProcess(program, arguments);
            return {};
        };
        s.afterDelay = [this](double seconds, std::function<void()> block) { delayed.emplace_back(seconds, std::move(block)); };
        s.makeEventTracker = [this] { return tracker(); };
        s.appManager = &appManager;
        return s;
    }

    EventTracker tracker() { return EventTracker(analytics, AppPreferences(), PreservedPreferences()); }

    void runDelayed() {
        auto blocks = std::move(delayed);
        delayed.clear();
        for (auto& [seconds, block] : blocks) block();
    }

    std::vector<std::string> eventNames() const {
        std::vector<std::string> names;
        for (const auto& [name, properties] : analytics->tracked) names.push_back(name);
        return names;
    }
    // The properties of the last event with that name; fails the test when there is none.
    Dictionary event(std::string_view name) const {
        for (auto it = analytics->tracked.rbegin(); it != analytics->tracked.rend(); ++it)
            if (it->first == name) return it->second;
        ADD_FAILURE() << "no event " << name;
        return {};
    }

    // Localized texts of keys, as builders show them.
    static std::vector<std::string> texts(std::initializer_list<std::string_view> keys) {
        std::vector<std::string> out;
        for (auto key : keys) out.push_back(localized(key));
        return out;
    }

private:
    AlertServices previous_;
};

// A window a screen would hand over.
struct TestWindow : AlertWindow {};

inline ZevuDataFetcherTypes::ServerPtr server(std::string id, std::string name,
                                              ZevuDataFetcherTypes::ServerType type = ZevuDataFetcherTypes::ServerType::Country) {
    return std::make_shared<ZevuDataFetcherTypes::Server>(std::move(id), std::move(name), type, "de");
}

}  // namespace morvex::test
