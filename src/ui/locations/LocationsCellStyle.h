#pragma once
// What the location lists and their pages share of their look: rows 44 high with 16 side padding,
// a round 24-point flag, the name in 14 point and the 20-point icon buttons, in the main window's
// light colours.
#include <QColor>
#include <string_view>

class QLabel;
class QWidget;

namespace morvex {
class PVButton;
}

namespace morvex::cellstyle {

inline constexpr int kRowHeight = 44;
inline constexpr int kSidePadding = 16;
inline constexpr int kFlagSide = 24;
inline constexpr int kIconSide = 20;

QLabel* titleLabel(QWidget* parent, int pointSize = 14);
// A flat button showing one image (`imageName` from the bundle), 28 x 28 around a 20-point icon.
PVButton* iconButton(const char* objectName, std::string_view imageName, QWidget* parent);
// The label's text in a named colour of the main window's look.
void setTextColor(QLabel* label, std::string_view colorName);
void setTextRgb(QLabel* label, const QColor& color);

}  // namespace morvex::cellstyle
