#include "ui/locations/FastestServerCellView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

FastestServerCellView::FastestServerCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FastestServerCellView"));
    setFixedHeight(cellstyle::kRowHeight);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("btnFastestServer"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    auto* inside = new QHBoxLayout(button);
    inside->setContentsMargins(cellstyle::kSidePadding, 0, cellstyle::kSidePadding, 0);
    inside->setSpacing(10);
    auto* icon = new QLabel(button);
    icon->setFixedSize(cellstyle::kFlagSide, cellstyle::kFlagSide);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(appkit::imageNamed("LocationsLeftPanelFastestServer", QSize(cellstyle::kIconSide, cellstyle::kIconSide)));
    auto* title = cellstyle::titleLabel(button);
    title->setText(QString::fromStdString(localized("left.panel.recommended.server.section.title")));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    inside->addWidget(icon);
    inside->addWidget(title, 1);
    line->addWidget(button);
    button_ = button;
    connect(button, &QPushButton::clicked, this, [this] { connectToFastestServer(); });
}

void FastestServerCellView::connectToFastestServer() {
    if (!delegate) return;
    if (const auto recommended = AppPreferences().recommendedServer()) delegate->connectToListServer(recommended, false);
}

}  // namespace morvex
