#include "ui/locations/FilterViewController.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "state/PreservedPreferences.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesStyle.h"

namespace morvex {

namespace {

QPushButton* sheetButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setFixedSize(126, 30);
    button->setFont(systemFont(13, QFont::DemiBold));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void colorButton(QAbstractButton* button, bool primary) {
    QWidget* parent = button;
    const QColor text = primary ? ThemedColor::colorNamed("PopupOKTextColorNew").resolve(parent)
                                : ThemedColor::colorNamed("PopupCancelTextColor").resolve(parent);
    const QColor ground = primary ? ThemedColor::colorNamed("PopupOKButtonBGColor").resolve(parent) : QColor(Qt::transparent);
    const QColor border = primary ? ground : ThemedColor::colorNamed("PopupButtonBorderColor").resolve(parent);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 8px; }")
                              .arg(text.name(), ground.name(QColor::HexArgb), border.name(QColor::HexArgb)));
}

}  // namespace

FilterViewController::FilterViewController(QObject* parent) : ViewController(parent) {
    setPreferredContentSize(QSize(320, 190));
}

FilterViewController::~FilterViewController() { observers_.clear(); }

void FilterViewController::loadView() {
    auto* view = new CustomView;
    view->setObjectName(QStringLiteral("FilterViewController"));
    view->setMinimumSize(320, 170);
    view->setBackgroundColor(ThemedColor::colorNamed("PopupBGColorNew"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);

    lblTitle = new QLabel(view);
    lblTitle->setFont(systemFont(20, QFont::Bold));
    column->addWidget(lblTitle);

    auto* row = new QHBoxLayout;
    p2pLabel_ = new QLabel(countries::qs(localized("filter.p2p")), view);
    p2pLabel_->setFont(systemFont(14));
    auto* p2pSwitch = new QPushButton(view);
    p2pSwitch->setObjectName(QStringLiteral("p2pSwitch"));
    p2pSwitch->setCheckable(true);
    p2pSwitch->setFlat(true);
    p2pSwitch->setFocusPolicy(Qt::NoFocus);
    p2pSwitch->setCursor(Qt::PointingHandCursor);
    p2pSwitch->setFixedSize(40, 24);
    p2pSwitch->setIconSize(QSize(40, 24));
    p2pSwitch->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    btnP2P = p2pSwitch;
    row->addWidget(p2pLabel_);
    row->addStretch(1);
    row->addWidget(p2pSwitch);
    column->addLayout(row);
    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    btnCancel = sheetButton(view);
    btnProceed = sheetButton(view);
    buttons->addStretch(1);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnProceed);
    column->addLayout(buttons);

    connect(btnP2P, &QAbstractButton::toggled, this, [this] { btnP2PAction(); });
    connect(btnCancel, &QAbstractButton::clicked, this, [this] { cancelAction(); });
    connect(btnProceed, &QAbstractButton::clicked, this, [this] { proceedAction(); });
    setView(view);
}

void FilterViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    lblTitle->setText(countries::qs(localized("filter.title")));
    {
        const QSignalBlocker quiet(btnP2P);
        btnP2P->setChecked(isFilterOn);
    }
    showSwitch();
    btnCancel->setText(countries::qs(localized("filter.cancel")));
    btnProceed->setText(countries::qs(localized("filter.okay")));
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { preferencesCleared(); }));
}

void FilterViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    // Resolved in the window the sheet shows in, whose look it takes.
    countries::setTextColor(lblTitle, ThemedColor::colorNamed("PopupTitleColor").resolve(view()));
    countries::setTextColor(p2pLabel_, ThemedColor::colorNamed("PopupContentColor").resolve(view()));
    colorButton(btnCancel, false);
    colorButton(btnProceed, true);
}

void FilterViewController::showSwitch() {
    const bool on = btnP2P->isChecked();
    btnP2P->setIcon(on ? appkit::imageNamed("toggle_switch_on") : appkit::imageNamed("toggle_switch_off"));
}

void FilterViewController::btnP2PAction() {
    isFilterOn = btnP2P->isChecked();
    showSwitch();
}

void FilterViewController::proceedAction() {
    if (auto* d = delegate.get()) d->filterApplied(isFilterOn);
    dismiss(this);
}

void FilterViewController::cancelAction() { dismiss(this); }

void FilterViewController::preferencesCleared() {
    if (auto* d = delegate.get()) d->filterApplied(false);
}

}  // namespace morvex
