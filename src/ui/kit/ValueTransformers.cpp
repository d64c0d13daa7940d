#include "ui/kit/ValueTransformers.h"

#include <utility>

#include "appkit/Bindings.h"
#include "ui/kit/Transformers.h"

namespace morvex {

namespace {
using Transformer = appkit::ValueTransformers::Transformer;
namespace t = transformers;

template <class T>
std::any optionalAsAny(std::optional<T> value) {
    return value ? std::any(std::move(*value)) : std::any();
}

// Name and pure function of each transformer; a screen's transformers join the table with it.
const std::vector<std::pair<std::string_view, Transformer>>& table() {
    static const std::vector<std::pair<std::string_view, Transformer>> transformers = {
        {t::kVpnStateText, [](const std::any& v) { return std::any(t::vpnStateText(v)); }},
        {t::kVpnStateImage, [](const std::any& v) { return t::imageFromName(t::vpnStateImageName(v)); }},
        {t::kVpnStateButtonTitle, [](const std::any& v) { return optionalAsAny(t::vpnStateButtonTitle(v)); }},
        {t::kServerName, [](const std::any& v) { return optionalAsAny(t::serverName(v)); }},
        {t::kConnectingServerName, [](const std::any& v) { return optionalAsAny(t::connectingServerName(v)); }},
        {t::kPingLabel, [](const std::any& v) { return std::any(t::pingLabel(v)); }},
        {t::kSupportButtonEnable, [](const std::any& v) { return std::any(t::supportButtonEnable(v)); }},
        {t::kTimeAgo, [](const std::any& v) { return optionalAsAny(t::timeAgo(v)); }},
        {t::kAddonDate, [](const std::any& v) { return std::any(t::addonDate(v)); }},
        {t::kCountriesEmpty, [](const std::any& v) { return std::any(t::countriesEmpty(v)); }},
        {t::kCountriesNotEmpty, [](const std::any& v) { return std::any(t::countriesNotEmpty(v)); }},
        {t::kFlagIdImage, [](const std::any& v) { return t::imageFromName(t::flagImageName(v)); }},
        {t::kFavoriteImage, [](const std::any& v) { return t::imageFromName(t::favoriteImageName(v)); }},
        {t::kNotificationIcon, [](const std::any& v) { return t::imageFromName(t::notificationIconName(v)); }},
        {t::kNotificationEmpty, [](const std::any& v) { return std::any(t::notificationEmpty(v)); }},
        {t::kNotificationNonEmpty, [](const std::any& v) { return std::any(t::notificationNonEmpty(v)); }},
        {t::kNotificationCloseable, [](const std::any& v) { return std::any(t::notificationCloseable(v)); }},
        {t::kNotificationCtaHidden, [](const std::any& v) { return std::any(t::notificationCtaHidden(v)); }},
    };
    return transformers;
}
}  // namespace

std::vector<std::string> registerValueTransformers() {
    std::vector<std::string> names;
    for (const auto& [name, transformer] : table()) {
        appkit::ValueTransformers::setValueTransformer(std::string(name), transformer);
        names.emplace_back(name);
    }
    return names;
}

}  // namespace morvex
