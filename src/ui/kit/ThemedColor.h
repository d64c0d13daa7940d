#pragma once
// Colours that follow light and dark. A control's colour property is either a fixed colour or one
// of the bundle's named colours, which is resolved against the appearance the widget is drawn in
// (its window's own appearance, else the application's). A named colour the bundle lacks resolves
// to the fallback given with it.
//
// Threads: main thread (widgets).
#include <QColor>
#include <string>
#include <string_view>

#include "appkit/Appearance.h"

class QWidget;

namespace morvex {

class ThemedColor {
public:
    // Clear.
    ThemedColor() = default;
    ThemedColor(const QColor& fixed) : fixed_(fixed) {}  // NOLINT: a plain colour is a themed colour
    ThemedColor(Qt::GlobalColor fixed) : fixed_(fixed) {}  // NOLINT

    // The named colour of the bundle; `fallback` where the bundle has no colour of that name.
    static ThemedColor colorNamed(std::string_view name, const QColor& fallback = QColor(Qt::transparent));
    // Whether the bundle defines a colour of that name.
    static bool bundleHasColor(std::string_view name);

    bool isNamed() const { return !name_.empty(); }
    const std::string& name() const { return name_; }

    QColor resolve(appkit::Appearance appearance) const;
    // In the appearance `widget` is drawn in.
    QColor resolve(const QWidget* widget) const;

    friend bool operator==(const ThemedColor& a, const ThemedColor& b) {
        return a.name_ == b.name_ && a.fixed_ == b.fixed_;
    }

private:
    std::string name_;
    QColor fixed_ = QColor(Qt::transparent);  // the colour, or the fallback of a named one
};

// The appearance a widget is drawn in: its window's when that is an application window with an
// appearance of its own, else the application's.
appkit::Appearance effectiveAppearance(const QWidget* widget);

}  // namespace morvex
