#pragma once
// What the dashboard's pane controllers share: the account gate by default, their labels and tiles,
// and the connection info of an engine report.
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <string_view>

#include "alerts/BaseViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/kit/DashboardStyle.h"
#include "zevu/ZevuCore.h"
#include "model/ZevuTypes.h"

namespace morvex::dashboard_panes {

inline constexpr int kFlagSide = 24;

inline bool defaultGate() { return BaseViewController().accountStatusCheck(); }

inline QLabel* text(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(dashboard::font(size, weight));
    // The colour goes in a style sheet: inside a tile (a button with a style sheet of its own) Qt
    // takes a label's palette from the application's, so the dark look's light text would show
    // on the main window's light cards.
    label->setStyleSheet(QStringLiteral("color: %1;").arg(dashboard::color(colour).name(QColor::HexArgb)));
    return label;
}

// A tile of the bottom pane: a rounded card that is one button.
inline QPushButton* tileButton(const char* name, QWidget* parent) {
    auto* tile = new QPushButton(parent);
    tile->setObjectName(QString::fromLatin1(name));
    tile->setCursor(Qt::PointingHandCursor);
    tile->setFlat(true);
    tile->setMinimumHeight(56);
    tile->setStyleSheet(QStringLiteral("QPushButton#%1 { background: %2; border: 1px solid %3; border-radius: 12px; }"
                                       "QPushButton#%1:hover { border-color: %4; }")
                            .arg(QString::fromLatin1(name), dashboard::color("BottomColor").name(),
                                 dashboard::color("Separator").name(), dashboard::color("ThemeColor").name()));
    return tile;
}

inline const ZevuTypes::ConnectionInfo* infoOf(const Notification& n) { return n.objectAs<ZevuTypes::ConnectionInfo>(); }

}  // namespace morvex::dashboard_panes
