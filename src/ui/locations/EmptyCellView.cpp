#include "ui/locations/EmptyCellView.h"

#include <QHBoxLayout>
#include <QLabel>

#include "foundation/Bundle.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

EmptyCellView::EmptyCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EmptyCellView"));
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(cellstyle::kSidePadding, 12, cellstyle::kSidePadding, 12);
    lblTitle_ = cellstyle::titleLabel(this, 13);
    lblTitle_->setWordWrap(true);
    lblTitle_->setAlignment(Qt::AlignCenter);
    cellstyle::setTextColor(lblTitle_, "TabText");
    line->addWidget(lblTitle_);
}

void EmptyCellView::configure(LocationsFilter filter) {
    const char* key = "empty.locations";
    if (filter == LocationsFilter::Recents) key = "empty.recents";
    else if (filter == LocationsFilter::Favorites) key = "empty.favorites";
    lblTitle_->setText(QString::fromStdString(localized(key)));
}

}  // namespace morvex
