#include "ui/preferences/AutoConnectLocationView.h"

#include <QHBoxLayout>

#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "viewmodels/GeneralModel.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/SettingsPageWidgets.h"

namespace morvex {

AutoConnectLocationView::AutoConnectLocationView(appkit::ViewController& page, PreservedPreferences preference,
                                                 Look look, QWidget* parent)
    : QWidget(parent), page_(page), preference_(std::move(preference)), look_(look) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    // As tall as its row asks and no taller, so a page's column spends its spare height elsewhere.
    row->setSizeConstraint(QLayout::SetMinAndMaxSize);
    auto* flag = new QLabel(this);
    flag->setObjectName(QStringLiteral("autoConnectLocationFlag"));
    flag->setFixedSize(look_.flagSide, look_.flagSide);
    flag_ = flag;
    row->addWidget(flag);
    QLabel* name = nullptr;
    if (look_.nameAsTitle) {
        name = settingsTitle(this, "autoConnectLocationName", "");
    } else {
        name = settingsCaption(this, "autoConnectLocationName", "");
        name->setWordWrap(false);
    }
    name_ = name;
    row->addWidget(name, 1);
    change_ = settingsLink(this, "changeLocation", localized("preferences.change"));
    row->addWidget(change_);
    connect(change_, &QPushButton::clicked, this, &AutoConnectLocationView::changeClicked);
}

void AutoConnectLocationView::display(const ServerPtr& server) {
    if (flag_) flag_->setPixmap(settingsFlag(server ? server->code : "", look_.flagSide, flag_));
    if (name_) name_->setText(server ? qtext(server->name) : QString());
}

void AutoConnectLocationView::setLocation(const ServerPtr& server) {
    preference_.setAutoConnectServer(server);
    display(server);
}

void AutoConnectLocationView::showStored() { display(location()); }

void AutoConnectLocationView::takeDefaultIfNone() {
    if (!location()) setLocation(defaultAutoConnectLocation());
}

void AutoConnectLocationView::chooseLocation() {
    auto* board = appkit::Storyboard::named(SettingsLocationViewController::kStoryboardName);
    QObject* made = board ? board->instantiateController(SettingsLocationViewController::kStoryboardID) : nullptr;
    auto* picker = qobject_cast<SettingsLocationViewController*>(made);
    if (!picker) {
        delete made;
        return;
    }
    picker->delegate = this;
    if (!page_.presentAsSheet(picker)) delete picker;
}

}  // namespace morvex
