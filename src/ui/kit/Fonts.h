#pragma once
// The system font at a size in points, which on this desktop are pixels at 100 % scale.
#include <QApplication>
#include <QFont>

namespace morvex {

inline QFont systemFont(int points, QFont::Weight weight = QFont::Normal) {
    QFont font = QApplication::font();
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

}  // namespace morvex
