#include "ui/account/ProfileViewController.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "session/SwitchAccountModel.h"
#include "session/UserAuthentication.h"
#include "state/User.h"
#include "ui/account/AccountPage.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/ToastView.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

using account::qs;

namespace {

std::unique_ptr<ProfileModel> defaultModel() {
    User user;
    return std::make_unique<ProfileModel>(Networking::shared(), user, MorvexVPNService::makeEventTracker(),
                                          PreservedPreferences(), UserAuthentication());
}

std::string orPlaceholder(const std::string& text) {
    return text.empty() ? std::string(ProfileViewController::kPlaceholder) : text;
}

// A caption over a value in a box of the card; the box is what carries the tool tip.
CustomView* addField(QGridLayout* grid, int row, int column, const QString& caption, const char* valueName,
                     QLabel** captionLabel = nullptr) {
    QWidget* card = grid->parentWidget();
    auto* box = new CustomView(card);
    box->setObjectName(QString::fromLatin1(valueName) + QStringLiteral("View"));
    auto* column_ = new QVBoxLayout(box);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(4);
    QLabel* title = account::makeLabel(box, caption, "TabText", 13);
    title->setObjectName(QString::fromLatin1(valueName) + QStringLiteral("Caption"));
    auto* valueRow = new QHBoxLayout;
    valueRow->setSpacing(6);
    QLabel* value = account::makeLabel(box, qs(std::string(ProfileViewController::kPlaceholder)), "HeadingText", 14);
    value->setObjectName(QString::fromLatin1(valueName));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Every value line is as tall as the one with the copy button, so the two columns line up.
    value->setFixedHeight(20);
    valueRow->addWidget(value);
    valueRow->addStretch(1);
    column_->addWidget(title);
    column_->addLayout(valueRow);
    grid->addWidget(box, row, column);
    if (captionLabel) *captionLabel = title;
    return box;
}

}  // namespace

ProfileViewController::ProfileViewController(QObject* parent) : ProfileViewController(defaultModel(), parent) {}

ProfileViewController::ProfileViewController(std::unique_ptr<ProfileModel> model, QObject* parent)
    : ViewController(parent), model_(model ? std::move(model) : defaultModel()) {
    expiryCaption = localized("profile.expires.on");
}

ProfileViewController::~ProfileViewController() = default;

bool ProfileViewController::showCopyUsername() const { return !username.empty() && username != kPlaceholder; }

void ProfileViewController::loadView() {
    QVBoxLayout* column = nullptr;
    QWidget* page = account::makePage("ProfileView", account::text("profile.title"), &column);

    statusRow = new QWidget(page);
    statusRow->setObjectName(QStringLiteral("profileStatus"));
    auto* status = new QHBoxLayout(statusRow);
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(12);
    statusLabel = account::makeLabel(statusRow, QString(), "TabText", 13);
    statusLabel->setObjectName(QStringLiteral("profileStatusText"));
    statusLabel->setWordWrap(true);
    retryButton = account::makeButton(statusRow, account::text("retry"), false);
    retryButton->setObjectName(QStringLiteral("profileRetry"));
    connect(retryButton, &QPushButton::clicked, this, [this] { fetchProfile(); });
    status->addWidget(statusLabel, 1);
    status->addWidget(retryButton);
    statusRow->hide();
    column->addWidget(statusRow);

    auto* card = new CustomView(page);
    card->setObjectName(QStringLiteral("accountCard"));
    card->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    card->setCornerRadius(12);
    auto* grid = new QGridLayout(card);
    grid->setContentsMargins(20, 20, 20, 20);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(16);
    emailView = addField(grid, 0, 0, account::text("profile.email"), "email");
    usernameView = addField(grid, 0, 1, account::text("profile.username"), "username");
    addField(grid, 1, 0, account::text("profile.subscription.type"), "subscriptionType");
    addField(grid, 1, 1, account::text("profile.subscription.status"), "subscriptionStatus");
    addField(grid, 2, 0, account::text("profile.billing.cycle"), "billingCycle");
    QLabel* caption = nullptr;
    addField(grid, 2, 1, qs(expiryCaption), "expiry", &caption);
    lblExpire = caption;
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    copyUsernameButton = new QToolButton(usernameView);
    copyUsernameButton->setObjectName(QStringLiteral("copyUsername"));
    copyUsernameButton->setIcon(appkit::imageNamed("ProfileUsernameCopy"));
    copyUsernameButton->setIconSize(QSize(16, 16));
    copyUsernameButton->setFixedSize(20, 20);
    copyUsernameButton->setAutoRaise(true);
    copyUsernameButton->setCursor(Qt::PointingHandCursor);
    copyUsernameButton->setToolTip(account::text("profile.copy.username"));
    if (auto* valueRow = qobject_cast<QHBoxLayout*>(usernameView->layout()->itemAt(1)->layout()))
        valueRow->insertWidget(1, copyUsernameButton);
    connect(copyUsernameButton, &QToolButton::clicked, this, [this] { copyUsernameClicked(); });
    column->addWidget(card);

    addonsSection = new CustomView(page);
    addonsSection->setObjectName(QStringLiteral("addonsSection"));
    static_cast<CustomView*>(addonsSection.data())->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    static_cast<CustomView*>(addonsSection.data())->setCornerRadius(12);
    auto* addons = new QVBoxLayout(addonsSection);
    addons->setContentsMargins(20, 14, 20, 14);
    addons->setSpacing(8);
    addons->addWidget(account::makeLabel(addonsSection, account::text("profile.addons"), "HeadingText", 14, true));
    addonsTable = new QTableWidget(0, 3, addonsSection);
    addonsTable->setObjectName(QStringLiteral("addonsTable"));
    addonsTable->setHorizontalHeaderLabels({account::text("profile.addons.name"), account::text("profile.addons.status"), account::text("profile.addons.expiry")});
    addonsTable->verticalHeader()->hide();
    addonsTable->horizontalHeader()->setStretchLastSection(true);
    addonsTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    addonsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    addonsTable->setSelectionMode(QAbstractItemView::NoSelection);
    addonsTable->setFocusPolicy(Qt::NoFocus);
    addonsTable->setFrameShape(QFrame::NoFrame);
    addonsTable->setShowGrid(false);
    addonsTable->verticalHeader()->setDefaultSectionSize(28);
    addonsTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    addonsTable->setStyleSheet(QStringLiteral("QTableWidget{background:transparent;color:%1;}"
                                              "QHeaderView{background:transparent;}"
                                              "QHeaderView::section{background:transparent;border:none;"
                                              "border-bottom:1px solid %2;color:%3;padding:2px 4px;}")
                                   .arg(account::namedColor(page, "HeadingText").name(), account::namedColor(page, "Separator").name(),
                                        account::namedColor(page, "TabText").name()));
    addons->addWidget(addonsTable);
    QLabel* none = account::makeLabel(addonsSection, account::text("profile.addons.none"), "TabText", 13);
    none->setObjectName(QStringLiteral("noAddons"));
    addons->addWidget(none);
    pinvaultOffer = new QWidget(addonsSection);
    pinvaultOffer->setObjectName(QStringLiteral("pinvaultOffer"));
    auto* offer = new QHBoxLayout(pinvaultOffer);
    offer->setContentsMargins(0, 0, 0, 0);
    QLabel* offerText = account::makeLabel(pinvaultOffer, account::text("profile.pinvault.message"), "HeadingText", 13);
    offerText->setWordWrap(true);
    offer->addWidget(offerText, 1);
    QPushButton* getAddon = account::makeButton(pinvaultOffer, account::text("profile.pinvault.button"), false);
    getAddon->setObjectName(QStringLiteral("getPinvault"));
    connect(getAddon, &QPushButton::clicked, this, [this] { memberAreaClicked(); });
    offer->addWidget(getAddon);
    addons->addWidget(pinvaultOffer);
    column->addWidget(addonsSection);
    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    memberAreaButton = account::makeButton(page, account::text("profile.member.area"));
    memberAreaButton->setObjectName(QStringLiteral("memberArea"));
    connect(memberAreaButton, &QPushButton::clicked, this, [this] { memberAreaClicked(); });
    switchAccountButton = account::makeButton(page, account::text("profile.switch.account"), false);
    switchAccountButton->setObjectName(QStringLiteral("switchAccount"));
    connect(switchAccountButton, &QPushButton::clicked, this, [this] { switchAccountClicked(); });
    logoutButton = account::makeButton(page, account::text("logout"), false);
    logoutButton->setObjectName(QStringLiteral("logout"));
    connect(logoutButton, &QPushButton::clicked, this, [this] { logoutClicked(); });
    buttons->addWidget(memberAreaButton);
    buttons->addWidget(switchAccountButton);
    buttons->addStretch(1);
    buttons->addWidget(logoutButton);
    column->addLayout(buttons);
    setView(page);
    refreshView();
}

void ProfileViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    QPointer<ProfileViewController> self(this);
    observers_.push_back(centre.addObserver(UserLoggedInChangedNotification, [self](const Notification&) {
        if (self) self->loggedInPreferenceChanged();
    }));
    observers_.push_back(centre.addObserver(VPNAccountDidChangeNotification, [self](const Notification&) {
        if (self) self->vpnAccountDidChange();
    }));
}

void ProfileViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    resetProfileFields();
    subscriptionStatusMessage.reset();
    expiryReason.reset();
    gracePeriodMessage.reset();
    recomputeMemberAreaButton();
    fetchProfile();
}

void ProfileViewController::recomputeMemberAreaButton() {
    hideMemberAreaButton = model_->preservedPreferences.userTestGroup() == PreservedPreferences::TestGroup::GroupB;
}

void ProfileViewController::logoutClicked() { Alert().showQuitWarning(); }

void ProfileViewController::memberAreaClicked() {
    const User& user = model_->user;
    if (auto url = user.urlWithIdentityQuery(WebLink::AutoLoginAppLink, "", user.vpnUsername().value_or("")))
        account::openWebPage(*url);
}

void ProfileViewController::switchAccountClicked() {
    NotificationCenter::defaultCenter().post(SwitchAccountModel::showVPNAccountsNotification);
}

void ProfileViewController::copyUsernameClicked() {
    if (!showCopyUsername()) return;
    QApplication::clipboard()->setText(qs(username));
    if (appkit::Window* shown = window()) showToast(shown, localized("profile.username.copied"), 1.0);
}

void ProfileViewController::loggedInPreferenceChanged() {
    clearProfileFields();
    refreshView();
}

void ProfileViewController::vpnAccountDidChange() {
    recomputeMemberAreaButton();
    fetchProfile();
}

void ProfileViewController::resetProfileFields() {
    const std::string none(kPlaceholder);
    email = username = subscriptionType = subscriptionStatus = expiry = billingCycle = none;
    expiryReason = gracePeriodMessage = subscriptionStatusMessage = none;
    loadingProfile = hidePinvaultAddon = hideAddonsTableView = hideMemberAreaButton = showAddonsSection = false;
    loadError.reset();
    vpnAccountCount = 0;
    activeAddonsContent.clear();
    refreshView();
}

void ProfileViewController::clearProfileFields() {
    email.clear();
    username.clear();
    subscriptionType.clear();
    subscriptionStatus.clear();
    billingCycle.clear();
    expiry.clear();
    expiryReason.reset();
    gracePeriodMessage.reset();
    subscriptionStatusMessage.reset();
}

void ProfileViewController::fetchProfile() {
    const auto accounts = model_->preservedPreferences.vpnAccounts();
    if (!model_->user.vpnUsername() && accounts.empty()) {
        resetProfileFields();
        return;
    }
    loadingProfile = true;
    loadError.reset();
    vpnAccountCount = static_cast<int>(accounts.size());
    refreshView();
    QPointer<ProfileViewController> self(this);
    model_->fetchProfile(lifetime_.guard([self](Result<ProfileResponseModel> result) {
        if (self) self->applyProfile(result);
    }));
}

void ProfileViewController::applyProfile(const Result<ProfileResponseModel>& result) {
    loadingProfile = false;
    if (!result) {
        loadError = localized("profile.load.failed");
        refreshView();
        return;
    }
    loadError.reset();
    const ProfileResponseModel& profile = *result;
    usernameToolTip = profile.vpnUsername;
    emailToolTip = profile.email;
    email = orPlaceholder(profile.email);
    // The page names the account in use on this device, which an account switch may have changed
    // since the service answered.
    username = orPlaceholder(model_->user.vpnUsername().value_or(""));
    subscriptionType = orPlaceholder(account::codeText(profile.clientType));
    subscriptionStatus = orPlaceholder(account::codeText(profile.status));
    billingCycle = orPlaceholder(account::codeText(profile.billingCycle));
    const bool expired = profile.status == "expired";
    expiryTextColor = expired ? "Error" : "HeadingText";
    expiryCaption = localized(expired ? "profile.expires" : "profile.expires.on");
    expiryCaptionColor = expired ? "Error" : "TabText";
    expiry = profile.expiryDate.empty() ? std::string(kPlaceholder) : ProfileModel::formattedDate(profile.expiryDate);
    // The table lists the add-ons the answer names; without this it would stay empty for good.
    activeAddonsContent = profile.activeAddons.value_or(std::vector<ActiveAddon>{});
    hideAddonsTableView = activeAddonsContent.empty();
    const User& stored = model_->user;
    hidePinvaultAddon = stored.passwordManager() ? model_->hasPinvaultAddon(stored.activeAddons()) : true;
    showAddonsSection = model_->preservedPreferences.isB2C();
    refreshView();
}

QLabel* ProfileViewController::valueLabel(const char* name) const {
    return isViewLoaded() ? const_cast<ProfileViewController*>(this)->view()->findChild<QLabel*>(QString::fromLatin1(name))
                          : nullptr;
}

void ProfileViewController::refreshView() {
    if (!isViewLoaded()) return;
    if (statusRow) {
        statusRow->setVisible(loadingProfile || loadError);
        const QString loading = account::text("loading") + QStringLiteral("…");
        statusLabel->setText(loadError ? qs(*loadError) : loading);
        account::setTextColor(statusLabel, account::namedColor(statusLabel, loadError ? "Error" : "TabText"));
        retryButton->setVisible(loadError.has_value());
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"email", &email},       {"username", &username},         {"subscriptionType", &subscriptionType},
        {"expiry", &expiry},     {"billingCycle", &billingCycle}, {"subscriptionStatus", &subscriptionStatus},
    };
    for (const auto& [name, text] : texts)
        if (QLabel* label = valueLabel(name)) label->setText(qs(*text));
    if (QLabel* date = valueLabel("expiry"))
        account::setTextColor(date, account::namedColor(date, expiryTextColor.value_or("HeadingText")));
    if (lblExpire) {
        lblExpire->setText(qs(expiryCaption));
        account::setTextColor(lblExpire, account::namedColor(lblExpire, expiryCaptionColor));
    }
    if (usernameView) usernameView->setToolTip(account::plainToolTip(qs(usernameToolTip)));
    if (emailView) emailView->setToolTip(account::plainToolTip(qs(emailToolTip)));
    if (copyUsernameButton) copyUsernameButton->setVisible(showCopyUsername());
    if (memberAreaButton) memberAreaButton->setVisible(!hideMemberAreaButton);
    if (switchAccountButton) switchAccountButton->setVisible(vpnAccountCount > 1);
    if (addonsSection) addonsSection->setVisible(showAddonsSection);
    if (pinvaultOffer) pinvaultOffer->setVisible(!hidePinvaultAddon);
    if (addonsTable) {
        addonsTable->setVisible(!hideAddonsTableView);
        addonsTable->setRowCount(static_cast<int>(activeAddonsContent.size()));
        // As tall as its rows: the section grows with the list instead of scrolling a short one.
        addonsTable->setFixedHeight(addonsTable->horizontalHeader()->sizeHint().height() + 28 * addonsTable->rowCount() + 2);
        for (int row = 0; row < addonsTable->rowCount(); ++row) {
            const ActiveAddon& addon = activeAddonsContent[static_cast<std::size_t>(row)];
            const std::string cells[] = {addon.title, account::codeText(addon.status), ProfileModel::formattedDate(addon.expiry)};
            for (int c = 0; c < 3; ++c) addonsTable->setItem(row, c, new QTableWidgetItem(qs(cells[c])));
        }
    }
    if (QLabel* none = valueLabel("noAddons")) none->setVisible(hideAddonsTableView && hidePinvaultAddon);
}

}  // namespace morvex
