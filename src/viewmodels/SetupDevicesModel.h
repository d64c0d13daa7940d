#pragma once
// What the page for setting up other devices knows: the download page of each platform button,
// and the platform records the service describes ("setup_devices": title, page, and a Base64 icon
// for the light and the dark look), with the rules for turning a record into an icon and a page.
//
// Threads: any; no state of its own beyond the shared API client. fetchDevices: main thread.
#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "api/Networking.h"

namespace morvex {

class SetupDevicesModel {
public:
    // The platform buttons, by the tag the page gives them.
    enum Platform { Desktop = 0, Android = 1, IOS = 2, AndroidTV = 3, Chrome = 4, Firefox = 5 };

    struct Devices {
        struct Device {
            std::string urlString;       // "url": page to open for the platform
            std::string name;            // "title"
            std::string imageDataDark;   // "dark_x2": Base64 image for the dark look
            std::string imageDataLight;  // "light_x2"
            friend bool operator==(const Device&, const Device&) = default;
        };
        std::vector<Device> devices;  // "setup_devices"
        static constexpr bool emptyObjectRepresentable = true;
        friend bool operator==(const Devices&, const Devices&) = default;
    };

    explicit SetupDevicesModel(NetworkingProtocol* networking = &Networking::shared()) : networking(networking) {}
    NetworkingProtocol* networking;

    // Asks the service for its platform records ("/device/setupotherdevices/v3"); the completion
    // runs on the main thread with the records or the failure's message.
    using DevicesCompletion = std::function<void(Result<Devices>)>;
    void fetchDevices(DevicesCompletion completion) const;

    // The page a platform button opens, or none for a tag that is no platform. The desktop page is
    // the German one when the preferred language (any case; none stored counts as German) is
    // German; the other pages carry the web-link query items.
    static std::optional<std::string> pageForTag(int tag, const std::optional<std::string>& preferredLanguage);
    // The page of a record: its "url" with the query items, only when that text is one link and
    // nothing else.
    static std::optional<std::string> pageOf(const Devices::Device& device);
    // The record's icon for the look; a null image when the text is not Base64 of an image.
    static QImage iconOf(const Devices::Device& device, bool dark);
};

// All four keys of a device are required; a missing one fails the whole answer.
void from_json(const nlohmann::json& j, SetupDevicesModel::Devices::Device& v);
void to_json(nlohmann::json& j, const SetupDevicesModel::Devices::Device& v);
void from_json(const nlohmann::json& j, SetupDevicesModel::Devices& v);
void to_json(nlohmann::json& j, const SetupDevicesModel::Devices& v);

}  // namespace morvex
