#pragma once
// The support area's shared look: it lives in the main window, which always draws light.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string_view>

namespace morvex::support {

QColor color(std::string_view name);
QFont font(int pointSize, QFont::Weight weight = QFont::Normal);
QLabel* label(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour);
// The brand-blue button of a form (126 × 30, radius 8).
QPushButton* primaryButton(const char* name, const QString& title, QWidget* parent);
// A flat text button in the brand colour.
QPushButton* linkButton(const char* name, const QString& title, QWidget* parent);

}  // namespace morvex::support
