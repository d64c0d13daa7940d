#include "viewmodels/SetupDevicesModel.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include "foundation/Bundle.h"
#include "model/JsonCoding.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"

namespace morvex {

void SetupDevicesModel::fetchDevices(DevicesCompletion completion) const {
    auto* client = dynamic_cast<Networking*>(networking);
    if (!client) {
        if (completion) completion(fail(Error(std::string(kMorvexVPNErrorDomain), -1, localized("api.unknown.error.message"))));
        return;
    }
    client->networkRequestDispatcher<Devices>(Endpoint::OtherDevices, std::nullopt, std::nullopt, std::move(completion));
}

std::optional<std::string> SetupDevicesModel::pageForTag(int tag, const std::optional<std::string>& preferredLanguage) {
    switch (tag) {
        case Desktop: {
            const bool german = QString::fromStdString(preferredLanguage.value_or("de")).toLower() == QStringLiteral("de");
            return urlString(german ? WebLink::DownloadsGerman : WebLink::DownloadsEnglish);
        }
        case Android: return webLinkWithQueryItems(urlString(WebLink::Android));
        case IOS: return webLinkWithQueryItems(urlString(WebLink::IOS));
        case AndroidTV: return webLinkWithQueryItems(urlString(WebLink::AndroidTV));
        case Chrome: return webLinkWithQueryItems(urlString(WebLink::Chrome));
        case Firefox: return webLinkWithQueryItems(urlString(WebLink::Firefox));
        default: return std::nullopt;
    }
}

std::optional<std::string> SetupDevicesModel::pageOf(const Devices::Device& device) {
    // One address from the first character to the last: a scheme'd web address or a "www." one,
    // with no blank anywhere.
    static const QRegularExpression wholeLink(QStringLiteral(R"(\A(?:https?://|www\.)[^\s/$.?#][^\s]*\z)"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (!wholeLink.match(QString::fromStdString(device.urlString)).hasMatch()) return std::nullopt;
    return webLinkWithQueryItems(device.urlString);
}

QImage SetupDevicesModel::iconOf(const Devices::Device& device, bool dark) {
    const std::string& text = dark ? device.imageDataDark : device.imageDataLight;
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(text), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return {};
    return QImage::fromData(*decoded);
}

void from_json(const nlohmann::json& j, SetupDevicesModel::Devices::Device& v) {
    v.urlString = coding::requiredString(j, "url");
    v.name = coding::requiredString(j, "title");
    v.imageDataDark = coding::requiredString(j, "dark_x2");
    v.imageDataLight = coding::requiredString(j, "light_x2");
}

void to_json(nlohmann::json& j, const SetupDevicesModel::Devices::Device& v) {
    j = nlohmann::json{{"url", v.urlString}, {"title", v.name}, {"dark_x2", v.imageDataDark}, {"light_x2", v.imageDataLight}};
}

void from_json(const nlohmann::json& j, SetupDevicesModel::Devices& v) {
    const auto* list = coding::member(j, "setup_devices");
    if (!list) coding::throwMissingKey("setup_devices");
    v.devices = list->get<std::vector<SetupDevicesModel::Devices::Device>>();
}

void to_json(nlohmann::json& j, const SetupDevicesModel::Devices& v) { j = nlohmann::json{{"setup_devices", v.devices}}; }

}  // namespace morvex
