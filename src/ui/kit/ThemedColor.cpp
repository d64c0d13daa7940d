#include "ui/kit/ThemedColor.h"

#include <QWidget>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Window.h"
#include "foundation/BundleResources.h"

namespace morvex {

ThemedColor ThemedColor::colorNamed(std::string_view name, const QColor& fallback) {
    ThemedColor c(fallback);
    c.name_ = std::string(name);
    return c;
}

bool ThemedColor::bundleHasColor(std::string_view name) { return morvex::colorNamed(name).has_value(); }

QColor ThemedColor::resolve(appkit::Appearance appearance) const {
    if (name_.empty()) return fixed_;
    return appkit::colorNamed(name_, appearance, fixed_);
}

QColor ThemedColor::resolve(const QWidget* widget) const {
    if (name_.empty()) return fixed_;
    return resolve(effectiveAppearance(widget));
}

appkit::Appearance effectiveAppearance(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<const appkit::Window*>(w)) return window->effectiveAppearance();
    }
    return appkit::Application::shared().effectiveAppearance();
}

}  // namespace morvex
