// The page for setting up other devices: which page each platform button opens (by language for
// the desktop), the subtitle's key phrases, and the rows of platforms the service describes:
// their links, icons by look, and hover; the rows come from the service each time the page shows,
// and a failed answer leaves the page usable with a message and a retry.
#include <QBuffer>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextDocumentFragment>

#include "AccountScreenFixture.h"
#include "foundation/UserDefaults.h"
#include "state/AppPreferences.h"
#include "ui/account/SetupDevicesController.h"

namespace morvex {
namespace {

using Device = SetupDevicesModel::Devices::Device;

// A one-pixel PNG of that colour, as Base64 text.
std::string pixel(QColor colour) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64().toStdString();
}

class SetupDevicesScreenTest : public AccountScreenTest {
protected:
    SetupDevicesController* openDevices() {
        auto* page = clickTab<SetupDevicesController>(MainTab::SetupOtherDevices);
        EXPECT_NE(page, nullptr) << "the devices tab shows the devices page";
        return page;
    }
};

TEST_F(SetupDevicesScreenTest, EachPlatformButtonOpensItsDownloadPage) {
    struct Case {
        int tag;
        std::optional<std::string> language;
        std::string page;
        bool decorated;
    };
    const Case cases[] = {
        {0, std::nullopt, "https://morvexvpn.com/downloads/", false},
        {0, "DE", "https://morvexvpn.com/downloads/", false},
        {0, "en", "https://morvexvpn.com/en/downloads/", false},
        {0, "fr", "https://morvexvpn.com/en/downloads/", false},
        {1, "en", "https://morvexvpn.com/android/", true},
        {2, "en", "https://morvexvpn.com/ios/", true},
        {3, "en", "https://morvexvpn.com/android-tv/", true},
        {4, "en", "https://morvexvpn.com/chrome/", true},
        {5, "en", "https://morvexvpn.com/firefox/", true},
    };
    SetupDevicesController* page = openDevices();
    ASSERT_TRUE(page);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        SCOPED_TRACE(c.language.value_or("<none>"));
        if (c.language) UserDefaults::standard().set(Value(*c.language), AppPreferences::Key::preferredLanguageCode);
        else UserDefaults::standard().removeObject(AppPreferences::Key::preferredLanguageCode);
        opened.clear();
        QTest::mouseClick(page->platformButtons.at(static_cast<std::size_t>(c.tag)), Qt::LeftButton);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_TRUE(opened[0].starts_with(c.page)) << opened[0];
        EXPECT_EQ(opened[0].find("platform=") != std::string::npos, c.decorated) << opened[0];
    }
    opened.clear();
    page->openUrl(7);
    page->openUrl(-1);
    EXPECT_TRUE(opened.empty());
}

TEST_F(SetupDevicesScreenTest, TheSubtitleSetsOffItsKeyPhrases) {
    SetupDevicesController* page = openDevices();
    ASSERT_TRUE(page);
    const QString text = page->lblDesp->text();
    EXPECT_TRUE(text.contains(QStringLiteral("font-weight:bold\">%1<").arg(QString::fromStdString(localized("setup_devices_subtitle_2")))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("#1c1c1c\">%1<").arg(QString::fromStdString(localized("setup_devices_subtitle_1")))))
        << text.toStdString();
    EXPECT_EQ(QTextDocumentFragment::fromHtml(text).toPlainText().toStdString(), localized("setup_devices_subtitle"));
}

TEST_F(SetupDevicesScreenTest, ARowOpensOnlyAWholeLinkAndItsIconFollowsTheLook) {
    struct Case {
        std::string url;
        bool opens;
    };
    const Case cases[] = {
        {"https://morvexvpn.com/linux/", true},
        {"see https://morvexvpn.com/linux/", false},
        {"https://morvexvpn.com/linux/ now", false},
        {"not a link", false},
        {"", false},
    };
    SetupDevicesController* page = openDevices();
    ASSERT_TRUE(page);
    ASSERT_TRUE(test::waitUntil([&] { return !page->loading; })) << "the service's own answer is in first";
    std::vector<Device> devices;
    for (const Case& c : cases) devices.push_back({c.url, "Linux", pixel(Qt::black), pixel(Qt::white)});
    page->setContent(devices);
    auto rows = page->view()->findChildren<SetupDevicesRow*>();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].url);
        opened.clear();
        QTest::mouseClick(rows[static_cast<qsizetype>(i)], Qt::LeftButton);
        ASSERT_EQ(opened.size(), cases[i].opens ? 1u : 0u);
        if (cases[i].opens) {
            EXPECT_TRUE(opened[0].starts_with(cases[i].url + "?")) << opened[0];
            EXPECT_NE(opened[0].find("platform="), std::string::npos) << opened[0];
        }
    }

    SetupDevicesRow* row = rows[0];
    EXPECT_EQ(row->iconImage().pixelColor(0, 0), QColor(Qt::white)) << "the light icon in the light look";
    window->setAppearance(appkit::Appearance::DarkAqua);
    EXPECT_EQ(row->iconImage().pixelColor(0, 0), QColor(Qt::black));
    window->setAppearance(appkit::Appearance::Aqua);
    EXPECT_EQ(row->iconImage().pixelColor(0, 0), QColor(Qt::white));

    // Text that is no image shows no icon rather than failing.
    row->setObjectValue({"https://morvexvpn.com/", "Broken", "%%%", "bm90IGFuIGltYWdl"});
    EXPECT_TRUE(row->iconImage().isNull());

    // Hover marks the row and paints its box; leaving clears the mark and keeps the colour.
    const QColor hoverColour(0x1C, 0x2E, 0x3D);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(row, &enter);
    EXPECT_TRUE(row->hovered);
    EXPECT_EQ(row->backgroundBox->palette().color(QPalette::Window), hoverColour);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(row, &leave);
    EXPECT_FALSE(row->hovered);
    EXPECT_EQ(row->backgroundBox->palette().color(QPalette::Window), hoverColour);
}

TEST_F(SetupDevicesScreenTest, TheServicesPlatformsFillTheRowsAndAFailureOffersARetry) {
    const auto titles = [](SetupDevicesController* page) {
        std::vector<std::string> names;
        for (auto* row : page->view()->findChildren<SetupDevicesRow*>()) names.push_back(row->title->text().toStdString());
        return names;
    };
    const std::vector<std::string> sample{"Linux router", "Smart TV", "Game console"};

    // A failed first answer: the buttons still work, the message says so, the retry fetches again.
    service.failNext(".*/device/setupotherdevices/v3", fake::Answer::plain(500));
    SetupDevicesController* page = openDevices();
    ASSERT_TRUE(page);
    ASSERT_TRUE(test::waitUntil([&] { return page->errorMessage.has_value(); }));
    EXPECT_FALSE(page->loading);
    EXPECT_TRUE(page->view()->findChildren<SetupDevicesRow*>().isEmpty());
    EXPECT_TRUE(page->errorLabel->isVisible());
    EXPECT_EQ(page->errorLabel->text().toStdString(), localized("devices.load.failed"));
    ASSERT_TRUE(page->retryButton->isVisible());
    opened.clear();
    QTest::mouseClick(page->platformButtons[SetupDevicesModel::Android], Qt::LeftButton);
    EXPECT_EQ(opened.size(), 1u) << "the fixed buttons keep working";

    QTest::mouseClick(page->retryButton, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return page->content().has_value(); }));
    EXPECT_EQ(titles(page), sample);
    EXPECT_FALSE(page->errorMessage);
    EXPECT_FALSE(page->errorLabel->isVisible());
    EXPECT_FALSE(page->retryButton->isVisible());
    EXPECT_EQ(requestsTo("/device/setupotherdevices/v3"), 2);

    // A later failure keeps the rows it had.
    service.failNext(".*/device/setupotherdevices/v3", fake::Answer::plain(500));
    page->fetchDevices();
    ASSERT_TRUE(test::waitUntil([&] { return page->errorMessage.has_value(); }));
    EXPECT_EQ(titles(page), sample);
}

TEST(SetupDevicesRecords, DecodeAllFourKeysOrFail) {
    const auto json = nlohmann::json::parse(
        R"({"setup_devices": [{"url": "https://morvexvpn.com/linux/", "title": "Linux", "dark_x2": "ZA==", "light_x2": "bA=="}]})");
    const auto devices = json.get<SetupDevicesModel::Devices>();
    ASSERT_EQ(devices.devices.size(), 1u);
    EXPECT_EQ(devices.devices[0], (Device{"https://morvexvpn.com/linux/", "Linux", "ZA==", "bA=="}));
    EXPECT_EQ(nlohmann::json(devices), json) << "encoding writes the same keys";
    for (const char* key : {"url", "title", "dark_x2", "light_x2"}) {
        nlohmann::json missing = json;
        missing["setup_devices"][0].erase(key);
        EXPECT_ANY_THROW(missing.get<SetupDevicesModel::Devices>()) << key;
    }
}

}  // namespace
}  // namespace morvex
