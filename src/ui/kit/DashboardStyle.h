#pragma once
// Drawing helpers the dashboard's cards share: round flags with their border, fonts by the type
// table of the look, and the named colours of the main window (which always draws light).
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <string_view>

namespace morvex::dashboard {

// The flag of a country code drawn as a circle of `side` points with a 1.5 border.
QPixmap roundFlag(std::string_view imageName, int side, QColor border);
// The flag border of the main window's look (always the light one).
QColor flagBorderColor();
QFont font(int pointSize, QFont::Weight weight = QFont::Normal);
QColor color(std::string_view name);

}  // namespace morvex::dashboard
