// The value transformers the screens bind through, reached by the names the bindings use.
#include <gtest/gtest.h>

#include <QIcon>
#include <QLocale>
#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "appkit/Bindings.h"
#include "foundation/Bundle.h"
#include "model/ServerRecord.h"
#include "model/ZevuTypes.h"
#include "ui/kit/Transformers.h"
#include "ui/kit/ValueTransformers.h"

namespace morvex {
namespace {

namespace t = transformers;
using Server = ZevuDataFetcherTypes::Server;
using ServerType = ZevuDataFetcherTypes::ServerType;

class TransformersTest : public ::testing::Test {
protected:
    void SetUp() override {
        appkit::ValueTransformers::removeAll();
        registerValueTransformers();
        previousLocale_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void TearDown() override { QLocale::setDefault(previousLocale_); }

    static std::any run(std::string_view name, const std::any& input) {
        auto transformer = appkit::ValueTransformers::valueTransformerForName(name);
        EXPECT_TRUE(transformer) << name << " is not registered";
        return transformer ? (*transformer)(input) : std::any();
    }
    // The text a transformer answered; nothing when it answered nothing.
    static std::optional<std::string> text(std::string_view name, const std::any& input) {
        std::any out = run(name, input);
        if (!out.has_value()) return std::nullopt;
        const auto* s = std::any_cast<std::string>(&out);
        EXPECT_TRUE(s) << name << " answered something other than text";
        return s ? std::optional(*s) : std::nullopt;
    }
    static std::optional<bool> flag(std::string_view name, const std::any& input) {
        std::any out = run(name, input);
        const auto* b = std::any_cast<bool>(&out);
        return b ? std::optional(*b) : std::nullopt;
    }

private:
    QLocale previousLocale_;
};

std::shared_ptr<Server> server(ServerType type, std::int64_t latency = Server::unmeasuredLatency) {
    auto s = std::make_shared<Server>("7", "Berlin", type, "DE");
    s->ip = "198.51.100.7";
    s->latency = latency;
    return s;
}

TEST_F(TransformersTest, TheVpnStateGivesItsTextPictureAndButtonTitle) {
    struct Case {
        const char* label;
        std::any state;
        const char* textKey;
        const char* image;
        std::optional<std::string> buttonKey;
    };
    const std::vector<Case> cases = {
        {"none", std::any(), "vpn.disconnected", "Disconnected", std::nullopt},
        {"7 is no state", 7, "vpn.disconnected", "Disconnected", std::nullopt},
        {"-1 is no state", -1, "vpn.disconnected", "Disconnected", std::nullopt},
        {"a text is no state", std::string("0"), "vpn.disconnected", "Disconnected", std::nullopt},
        {"Connected", ZevuConnectionState::Connected, "vpn.connected", "Connected", "vpn.disconnect"},
        {"Connecting", ZevuConnectionState::Connecting, "vpn.connecting", "Connecting", "vpn.disconnect"},
        {"Redialing", ZevuConnectionState::Redialing, "vpn.connecting", "Connecting", "vpn.disconnect"},
        {"Disconnected", ZevuConnectionState::Disconnected, "vpn.disconnected", "Disconnected", "vpn.connect"},
        {"Disconnecting", ZevuConnectionState::Disconnecting, "vpn.disconnecting", "Connecting", "vpn.connect"},
        {"UnableToConnect", ZevuConnectionState::UnableToConnect, "vpn.disconnected", "Disconnected", "vpn.disconnect"},
        {"UnableToBrowse", ZevuConnectionState::UnableToBrowse, "vpn.connected", "Connected", "vpn.disconnect"},
        {"raw 3 (as the stores keep it)", std::int64_t{3}, "vpn.disconnected", "Disconnected", "vpn.connect"},
        {"raw 4", 4, "vpn.disconnecting", "Connecting", "vpn.connect"},
        {"raw 2", 2, "vpn.connecting", "Connecting", "vpn.disconnect"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(text(t::kVpnStateText, c.state), localized(c.textKey));
        EXPECT_EQ(t::vpnStateImageName(c.state), c.image);
        EXPECT_EQ(text(t::kVpnStateButtonTitle, c.state),
                  c.buttonKey ? std::optional(localized(*c.buttonKey)) : std::nullopt);
        // The bundle has every state picture, so the registered transformer gives an icon.
        std::any image = run(t::kVpnStateImage, c.state);
        ASSERT_TRUE(std::any_cast<QIcon>(&image));
        EXPECT_FALSE(std::any_cast<QIcon>(image).isNull());
    }
    // The texts differ, so the table above cannot pass with one text for every state.
    EXPECT_NE(localized("vpn.connecting"), localized("vpn.connected"));
    EXPECT_NE(localized("vpn.connect"), localized("vpn.disconnect"));
}

TEST_F(TransformersTest, ValuesBecomeWhatTheirLabelsShow) {
    struct Case {
        const char* label;
        std::string_view transformer;
        std::any input;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a city by name and code", t::kServerName, server(ServerType::City), "Berlin, DE"},
        {"a city while connecting too", t::kConnectingServerName, server(ServerType::City), "Berlin, DE"},
        {"a dedicated IP by its address", t::kServerName, server(ServerType::DedicatedIp), "198.51.100.7"},
        {"a dedicated IP by name while connecting", t::kConnectingServerName, server(ServerType::DedicatedIp), "Berlin"},
        {"a country by name", t::kServerName, server(ServerType::Country), "Berlin"},
        {"a record given by value", t::kServerName, Server("1", "Paris", ServerType::City, "FR"), "Paris, FR"},
        {"no location has no name", t::kServerName, std::any(), std::nullopt},
        {"no location while connecting", t::kConnectingServerName, std::string("Berlin"), std::nullopt},
        {"ping 0 is unmeasured", t::kPingLabel, server(ServerType::Country, 0), "-----"},
        {"ping never measured", t::kPingLabel, server(ServerType::Country, INT64_MAX), "-----"},
        {"ping of no location", t::kPingLabel, std::any(), "-----"},
        {"ping of 1 ms", t::kPingLabel, server(ServerType::Country, 1), "1ms"},
        {"ping of 42 ms", t::kPingLabel, server(ServerType::Country, 42), "42ms"},
        {"ping below zero keeps its sign", t::kPingLabel, server(ServerType::Country, -5), "-5ms"},
        {"an add-on date", t::kAddonDate, std::string("2024-03-05"), "05 Mar, 2024"},
        {"not a date", t::kAddonDate, std::string("not a date"), ""},
        {"an impossible day", t::kAddonDate, std::string("2024-02-30"), ""},
        {"an empty date", t::kAddonDate, std::string(), ""},
        {"no date", t::kAddonDate, std::any(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(text(c.transformer, c.input), c.expected);
    }
}

TEST_F(TransformersTest, FlagsFollowTheTextListOrNumberTheyAreGiven) {
    struct Case {
        const char* label;
        std::string_view transformer;
        std::any input;
        bool expected;
    };
    const ZevuDataFetcherTypes::ServerList none;
    const ZevuDataFetcherTypes::ServerList one{server(ServerType::Country)};
    const std::vector<Case> cases = {
        {"[] is empty", t::kCountriesEmpty, none, true},
        {"[] is not non-empty", t::kCountriesNotEmpty, none, false},
        {"[x] is not empty", t::kCountriesEmpty, one, false},
        {"[x] is non-empty", t::kCountriesNotEmpty, one, true},
        {"no list is not empty", t::kCountriesEmpty, std::any(), false},
        {"no list is not non-empty", t::kCountriesNotEmpty, std::any(), false},
        {"a text is not a list", t::kCountriesEmpty, std::string(), false},
        // The notification list's two answer the other way round: "Empty" shows the list.
        {"notices present: Empty is true", t::kNotificationEmpty, std::vector<std::any>{1}, true},
        {"no notices: Empty is false", t::kNotificationEmpty, std::vector<std::any>{}, false},
        {"no notices: NonEmpty is true", t::kNotificationNonEmpty, std::vector<std::any>{}, true},
        {"notices present: NonEmpty is false", t::kNotificationNonEmpty, std::vector<std::any>{1}, false},
        {"no list: Empty is false", t::kNotificationEmpty, std::any(), false},
        {"no list: NonEmpty is false", t::kNotificationNonEmpty, std::any(), false},
        {"persistent notice: Closeable is true", t::kNotificationCloseable, std::string("persistant"), true},
        {"no type: Closeable is true", t::kNotificationCloseable, std::any(), true},
        {"other type: Closeable is false", t::kNotificationCloseable, std::string("regular"), false},
        {"empty title hides its button", t::kNotificationCtaHidden, std::string(), true},
        {"no title hides its button", t::kNotificationCtaHidden, std::any(), true},
        {"a title shows its button", t::kNotificationCtaHidden, std::string("Renew"), false},
        {"blanks only disable sending", t::kSupportButtonEnable, std::string(" \t\n \r\n"), false},
        {"one visible character enables it", t::kSupportButtonEnable, std::string("  x \n"), true},
        {"no text disables it", t::kSupportButtonEnable, std::any(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(flag(c.transformer, c.input), c.expected);
    }
}

TEST_F(TransformersTest, PicturesAreChosenByExactName) {
    struct Case {
        const char* label;
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"billing", t::notificationIconName(std::string("billing")), "NotificationBilling"},
        {"on_boarding", t::notificationIconName(std::string("on_boarding")), "NotificationOnBoarding"},
        {"Billing differs in case only", t::notificationIconName(std::string("Billing")), "NotificationDefault"},
        {"no category", t::notificationIconName(std::any()), "NotificationDefault"},
        {"favourite true", t::favoriteImageName(true), "LocationsFavoriteFilled"},
        {"favourite as the number 1", t::favoriteImageName(1), "LocationsFavoriteFilled"},
        {"favourite false", t::favoriteImageName(false), "LocationsFavoriteUnfilled"},
        {"favourite unknown", t::favoriteImageName(std::any()), "LocationsFavoriteUnfilled"},
        {"flag GB", t::flagImageName(std::string("GB")).value_or("-"), "gb"},
        {"flag gb", t::flagImageName(std::string("gb")).value_or("-"), "gb"},
        {"flag of no code", t::flagImageName(std::any()).value_or("-"), "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.actual, c.expected);
    }
    // A name the bundle lacks gives nothing, not a placeholder.
    EXPECT_FALSE(run(t::kFlagIdImage, std::string("zz-none")).has_value());
    const std::any flag = run(t::kFlagIdImage, std::string("GB"));
    EXPECT_TRUE(std::any_cast<QIcon>(&flag));
}

TEST_F(TransformersTest, DatesReadAsARelativeDayWithoutTime) {
    const QDate today(2026, 12, 10);
    EXPECT_EQ(t::timeAgo(QDate(2026, 12, 10), today), localized("date.relative.today"));
    EXPECT_EQ(t::timeAgo(QDateTime(QDate(2026, 12, 9), QTime(23, 59)), today), localized("date.relative.yesterday"));
    EXPECT_EQ(t::timeAgo(QDate(2024, 3, 5), today), "5 March 2024");
    EXPECT_EQ(t::timeAgo(std::any(), today), std::nullopt);
    EXPECT_EQ(t::timeAgo(std::string("2024-03-05"), today), std::nullopt);
    // Today as the registered transformer sees it, from a stored date.
    EXPECT_EQ(text(t::kTimeAgo, Date::now()), localized("date.relative.today"));
}

TEST_F(TransformersTest, EveryNameTheScreensBindIsRegistered) {
    const std::vector<std::string> registered = appkit::ValueTransformers::names();
    for (std::string_view name : {t::kVpnStateText, t::kVpnStateImage, t::kVpnStateButtonTitle, t::kServerName,
                                  t::kConnectingServerName, t::kPingLabel, t::kSupportButtonEnable, t::kTimeAgo,
                                  t::kAddonDate, t::kCountriesEmpty, t::kCountriesNotEmpty, t::kFlagIdImage,
                                  t::kFavoriteImage, t::kNotificationIcon, t::kNotificationEmpty,
                                  t::kNotificationNonEmpty, t::kNotificationCloseable, t::kNotificationCtaHidden}) {
        EXPECT_NE(std::find(registered.begin(), registered.end(), std::string(name)), registered.end()) << name;
    }
}

}  // namespace
}  // namespace morvex
