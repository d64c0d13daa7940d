#include "ui/locations/FilterTypeCellView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "foundation/Bundle.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

FilterTypeCellView::FilterTypeCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FilterTypeCellView"));
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(cellstyle::kSidePadding, 6, cellstyle::kSidePadding, 6);
    line->setSpacing(8);
    allView_ = makeSegment("allView", "filter.type.all", 0, lblAll_);
    favoritesView_ = makeSegment("favoritesView", "filter.type.favorites", 1, lblFavorites_);
    recentsView_ = makeSegment("recentsView", "filter.type.recents", 2, lblRecents_);
    line->addWidget(allView_);
    line->addWidget(favoritesView_);
    line->addWidget(recentsView_);
    line->addStretch(1);
    select(0);
}

CustomView* FilterTypeCellView::makeSegment(const char* name, const char* textKey, int tag, QPointer<QLabel>& label) {
    auto* view = new CustomView(this);
    view->setObjectName(QString::fromLatin1(name));
    view->setCornerRadius(14);
    view->setBorderWidth(1);
    view->setBorderColor(ThemedColor::colorNamed("Separator"));
    view->setFixedHeight(28);
    auto* inside = new QHBoxLayout(view);
    inside->setContentsMargins(0, 0, 0, 0);
    auto* button = new QPushButton(view);
    button->setObjectName(QString::fromLatin1(name) + QStringLiteral("Button"));
    button->setProperty("tag", tag);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0 14px; }"));
    auto* text = new QHBoxLayout(button);
    text->setContentsMargins(14, 0, 14, 0);
    label = cellstyle::titleLabel(button, 13);
    label->setText(QString::fromStdString(localized(textKey)));
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    text->addWidget(label);
    button->setMinimumWidth(label->sizeHint().width() + 28);
    inside->addWidget(button);
    segments_.emplace_back(button);
    connect(button, &QPushButton::clicked, this, [this, button] { filterServer(button); });
    return view;
}

QAbstractButton* FilterTypeCellView::segment(int tag) const {
    for (const auto& s : segments_)
        if (s && s->property("tag").toInt() == tag) return s;
    return nullptr;
}

void FilterTypeCellView::filterServer(QObject* sender) {
    if (delegate) delegate->filterTypeSelected(sender);
}

void FilterTypeCellView::select(int index) {
    const struct {
        CustomView* view;
        QLabel* label;
        int index;
    } segments[] = {{allView_, lblAll_, 0}, {favoritesView_, lblFavorites_, 1}, {recentsView_, lblRecents_, 2}};
    for (const auto& s : segments) {
        const bool selected = s.index == index;
        s.view->setBackgroundColor(selected ? ThemedColor(kSelectedFill) : ThemedColor(QColor(Qt::white)));
        s.view->update();
        cellstyle::setTextRgb(s.label, selected ? QColor(Qt::white) : kUnselectedText);
    }
}

}  // namespace morvex
