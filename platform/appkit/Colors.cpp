#include "appkit/Colors.h"

#include <mutex>
#include <set>
#include <string>

#include "foundation/BundleResources.h"
#include "foundation/Log.h"

namespace morvex::appkit {

QColor colorNamed(std::string_view name, Appearance appearance, QColor fallback, const Bundle& bundle) {
    if (auto named = morvex::colorNamed(name, bundle)) {
        const Rgba& c = named->forAppearance(appearance == Appearance::DarkAqua ? morvex::Appearance::Dark
                                                                                : morvex::Appearance::Light);
        return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
    }
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.emplace(name).second) log::nslog("Colors: no colour named \"" + std::string(name) + "\"");
    return fallback;
}

}  // namespace morvex::appkit
