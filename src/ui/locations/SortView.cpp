#include "ui/locations/SortView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "appkit/Nib.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "state/AppManager.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesStyle.h"
#include "ui/locations/PopOver.h"

namespace morvex {

namespace {

constexpr int kCardWidth = 200;
constexpr int kRowHeight = 44;

// A flat row that is the whole click target, its title a label the view colours.
QPushButton* choiceRow(QWidget* parent, QLabel*& label, const std::string& title) {
    auto* row = new QPushButton(parent);
    row->setFlat(true);
    row->setCursor(Qt::PointingHandCursor);
    row->setFocusPolicy(Qt::NoFocus);
    row->setFixedHeight(kRowHeight);
    row->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(16, 0, 16, 0);
    label = new QLabel(countries::qs(title), row);
    label->setFont(systemFont(14));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->addWidget(label);
    return row;
}

}  // namespace

SortView::SortView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SortView"));
    card_ = new CustomView(this);
    card_->setObjectName(QStringLiteral("sortCard"));
    card_->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    card_->setCornerRadius(10);
    card_->setShouldAddShadow(true);
    card_->setShadowRadius(8);
    card_->setShadowOffset({0, 2});
    card_->setShadowColor(QColor(0, 0, 0, 60));
    auto* column = new QVBoxLayout(card_);
    column->setContentsMargins(0, 6, 0, 6);
    column->setSpacing(0);
    QLabel* popularityLabel = nullptr;
    QLabel* alphabeticalLabel = nullptr;
    popularity_ = choiceRow(card_, popularityLabel, localized("sort.popularity"));
    alphabetical_ = choiceRow(card_, alphabeticalLabel, localized("sort.alphabetically"));
    setViewTag(popularity_, 0);
    setViewTag(alphabetical_, 1);
    lblPopularity = popularityLabel;
    lblAlphabetically = alphabeticalLabel;
    column->addWidget(popularity_);
    rule_ = new QFrame(card_);
    rule_->setFixedHeight(1);
    column->addWidget(rule_);
    column->addWidget(alphabetical_);
    card_->setFixedSize(kCardWidth, 2 * kRowHeight + 13);
    for (QAbstractButton* control : {popularity_.data(), alphabetical_.data()}) {
        connect(control, &QAbstractButton::clicked, this, [this, control] { btnSorting(viewTag(control)); });
    }
}

QWidget* SortView::card() const { return card_; }

void SortView::btnSorting(int senderTag) {
    NotificationCenter::defaultCenter().post(senderTag != 0 ? PopOver::sortAlphabetically : PopOver::sortPopularity);
}

void SortView::dismissPopOver() { NotificationCenter::defaultCenter().post(PopOver::dismissPopOver); }

bool SortView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange && parentWidget()) viewDidMoveToSuperview();
    return handled;
}

void SortView::viewDidMoveToSuperview() {
    rule_->setStyleSheet(QStringLiteral("background: %1;").arg(ThemedColor::colorNamed("Separator").resolve(this).name()));
    const AppManager& app = AppManager::shared();
    const QColor chosen = ThemedColor::colorNamed("ThemeColor").resolve(this);
    const QColor plain = ThemedColor::colorNamed("TabText").resolve(this);
    if (lblPopularity) countries::setTextColor(lblPopularity, app.isPopularitySortingEnabled() ? chosen : plain);
    if (lblAlphabetically) countries::setTextColor(lblAlphabetically, app.isAlphabaticalSortingEnabled() ? chosen : plain);
}

void SortView::mousePressEvent(QMouseEvent* event) {
    // The view covers the overlay; a click beside the card closes it.
    if (!card_->geometry().contains(event->position().toPoint())) dismissPopOver();
    QWidget::mousePressEvent(event);
}

void SortView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeCard();
}

void SortView::setAnchor(const QRect& control) {
    anchor_ = control;
    placeCard();
}

void SortView::placeCard() {
    if (anchor_) {
        card_->move(std::clamp(anchor_->right() + 1 - kCardWidth, 0, std::max(0, width() - kCardWidth)), anchor_->bottom() + 7);
        return;
    }
    card_->move(std::max(0, width() - kCardWidth - 20), 62);
}

void SortView::registerNib() {
    appkit::NibSet::main().registerNib("SortView", [] {
        appkit::TopLevelObjects objects;
        objects.push_back(std::make_unique<SortView>());
        return objects;
    });
}

}  // namespace morvex
