#pragma once
// Small drawing helpers the country screens, their sheets and the sort overlay share: named
// colours resolved for the widget they colour, the type table's fonts, and text colour by palette
// and style sheet at once (an item view's style would otherwise repaint a label in its own colours).
#include <QColor>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QString>
#include <string>

#include "ui/kit/Fonts.h"
#include "ui/kit/ThemedColor.h"

namespace morvex::countries {

inline QString qs(const std::string& text) { return QString::fromStdString(text); }

inline void setTextColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(color.name(QColor::HexArgb)));
}

// A view's alpha, as an opacity effect (none at 1.0, so an opaque view draws as before).
inline void setAlphaValue(QWidget* view, qreal alpha) {
    if (!view) return;
    if (alpha >= 1.0) {
        view->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

inline qreal alphaValue(const QWidget* view) {
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(view->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

// A slim scroll bar in the list's own colours (the handle in `handle`), whatever the desktop's look.
inline QString slimScrollBarStyle(const QColor& handle) {
    return QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 2px; }"
                          "QScrollBar::handle:vertical { background: %1; border-radius: 2px; min-height: 24px; }"
                          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(handle.name());
}

inline QColor textColorOf(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

}  // namespace morvex::countries
