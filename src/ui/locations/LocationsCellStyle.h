#pragma once
// What the location cells share of their look: rows 44 high with 16 side padding, a round
// 24-point flag, the name in 14 point, the P2P tag and the 20-point icon buttons, in the main
// window's light colours. The location's flag and name come through the shared value
// transformers, so every list names a place the same way.
#include <QColor>
#include <string_view>

#include "model/ServerRecord.h"

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

QLabel* flagView(QWidget* parent);
QLabel* titleLabel(QWidget* parent, int pointSize = 14);
QLabel* p2pTag(QWidget* parent);
// A flat button showing one image (`imageName` from the bundle), 28 x 28 around a 20-point icon.
PVButton* iconButton(const char* objectName, std::string_view imageName, QWidget* parent);
// The label's text in a named colour of the main window's look.
void setTextColor(QLabel* label, std::string_view colorName);
void setTextRgb(QLabel* label, const QColor& color);

// The flag of the location's code and its display name; empty for no location.
void showLocation(const ZevuDataFetcherTypes::ServerPtr& server, QLabel* flag, QLabel* title);
// The star: filled for a favourite, an outline that turns gold under the pointer otherwise.
void showFavorite(PVButton* button, bool favorite);

}  // namespace morvex::cellstyle
