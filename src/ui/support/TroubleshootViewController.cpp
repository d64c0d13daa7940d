#include "ui/support/TroubleshootViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "alerts/AlertServices.h"
#include "viewmodels/MainTab.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/NotificationsListModel.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/shell/Router.h"

namespace morvex {

namespace {

using Handler = TroubleshootModel::Handler;

QString qs(const std::optional<std::string>& text) { return text ? QString::fromStdString(*text) : QString(); }

QString hex(std::string_view colour) { return dashboard::color(colour).name(QColor::HexArgb); }

QLabel* label(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setFont(dashboard::font(size, weight));
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(hex(colour)));
    return l;
}

// The first button is the filled call to action, the others are outlined.
QPushButton* actionButton(const char* name, QWidget* parent, bool filled) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCursor(Qt::PointingHandCursor);
    b->setFont(dashboard::font(14, QFont::Medium));
    b->setMinimumSize(126, 36);
    const QString style =
        filled ? QStringLiteral("QPushButton#%1 { color: white; background: %2; border: none; border-radius: 8px; padding: 0 18px; }"
                                "QPushButton#%1:hover { background: %3; }")
                     .arg(QString::fromLatin1(name), hex("ThemeColor"), dashboard::color("ThemeColor").darker(115).name())
               : QStringLiteral("QPushButton#%1 { color: %2; background: transparent; border: 1px solid %3; border-radius: 8px; padding: 0 18px; }"
                                "QPushButton#%1:hover { border-color: %2; }")
                     .arg(QString::fromLatin1(name), hex("ThemeColor"), hex("Separator"));
    b->setStyleSheet(style);
    b->hide();
    return b;
}

}  // namespace

TroubleshootViewController::TroubleshootViewController(TroubleshootModel::Collaborators c, QObject* parent)
    : ViewController(parent), model_(std::move(c)) {}

TroubleshootViewController::~TroubleshootViewController() = default;

void TroubleshootViewController::setUtcProperties(std::optional<Dictionary> properties) {
    utcProperties_ = properties.value_or(Dictionary{});
}

void TroubleshootViewController::setError(std::optional<AppError> error) {
    error_ = std::move(error);
    supportArticleURL_.reset();
    if (!error_) return;
    const std::string url = error_->url.value_or("");
    // Only a link that is the whole text is an article: words around it make it a message.
    if (NotificationsListModel::isWholeWebLink(url)) supportArticleURL_ = url;
}

void TroubleshootViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("TroubleshootView"));
    auto* outer = new QVBoxLayout(view);
    // The top leaves room for the notice bar, as on the connection page.
    outer->setContentsMargins(28, 48, 28, 24);

    auto* card = new QWidget(view);
    card->setObjectName(QStringLiteral("TroubleshootCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("QWidget#TroubleshootCard { background: %1; border: 1px solid %2; border-radius: 12px; }")
                            .arg(hex("BottomColor"), hex("Separator")));
    // A fixed width lets the wrapped texts take the height they need.
    card->setFixedWidth(480);
    statusView_ = card;
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    auto* icon = new QLabel(card);
    icon->setObjectName(QStringLiteral("TroubleshootIcon"));
    icon->setPixmap(appkit::imageNamed("TroubleshootIcon", QSize(40, 40)));
    icon->setStyleSheet(QStringLiteral("background: transparent;"));
    header->addWidget(icon, 0, Qt::AlignTop);
    header->addStretch(1);
    close_ = new QPushButton(card);
    close_->setObjectName(QStringLiteral("troubleshootCloseButton"));
    close_->setAccessibleName(QStringLiteral("btn_close_troubleshoot"));
    close_->setCursor(Qt::PointingHandCursor);
    close_->setIcon(appkit::imageNamed("NotificationClose"));
    close_->setIconSize(QSize(16, 16));
    close_->setFixedSize(28, 28);
    close_->setFlat(true);
    close_->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
    connect(close_, &QPushButton::clicked, this, [this] { cancelButtonClicked(); });
    header->addWidget(close_, 0, Qt::AlignTop);
    column->addLayout(header);

    column->addSpacing(4);
    title_ = label("userStatusTitle", card, 20, QFont::Bold, "HeadingText");
    column->addWidget(title_);
    message_ = label("userStatusMessage", card, 14, QFont::Normal, "TabText");
    column->addWidget(message_);

    progress_ = new QProgressBar(card);
    progress_->setObjectName(QStringLiteral("troubleshootLoading"));
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(4);
    progress_->setStyleSheet(QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 2px; }"
                                            "QProgressBar::chunk { background: %2; border-radius: 2px; }")
                                 .arg(hex("Separator"), hex("ThemeColor")));
    column->addWidget(progress_);

    column->addSpacing(10);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    const char* names[3] = {"buttonPrimary", "buttonSecondary", "buttonTertiary"};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = actionButton(names[i], card, i == 0);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { perform(handlers_[i]); });
        row->addWidget(buttons_[i]);
    }
    row->addStretch(1);
    column->addLayout(row);

    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(card);
    centred->addStretch(1);
    outer->addStretch(1);
    outer->addLayout(centred);
    outer->addStretch(2);
    setView(view);
    refresh();
}

void TroubleshootViewController::refresh() {
    if (!isViewLoaded()) return;
    statusView_->setVisible(showUserStatusView_);
    // While the account is checked the card says so; the diagnosis replaces it.
    title_->setText(loading_ ? QString::fromStdString(localized("troubleshoot.checking.account")) : qs(userStatusTitle_));
    title_->setVisible(loading_ || userStatusTitle_);
    message_->setText(loading_ ? QString() : qs(userStatusMessage_));
    message_->setVisible(!loading_ && userStatusMessage_);
    progress_->setVisible(loading_);
    for (int i = 0; i < 3; ++i) {
        buttons_[i]->setText(qs(buttonText_[i]));
        buttons_[i]->setVisible(!loading_ && buttonText_[i].has_value());
    }
}

void TroubleshootViewController::setButton(int index, const std::optional<TroubleshootModel::Button>& button) {
    if (button) {
        buttonText_[index] = localized(button->titleKey);
        handlers_[index] = button->handler;
    } else {
        buttonText_[index].reset();
        handlers_[index] = Handler::none;
    }
}

void TroubleshootViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    const std::optional<std::string> current = model_.appPreference().onGoingConnectionId();
    // One diagnosis per connection: coming back to the same one keeps what is on screen.
    if (current == shownForConnectionID_) return;
    for (int i = 0; i < 3; ++i) setButton(i, std::nullopt);
    model_.utcProperties = utcProperties_;
    shownForConnectionID_ = current;
    loading_ = true;
    refresh();
    const int check = ++checks_;
    QPointer<TroubleshootViewController> self(this);
    model_.checkAccount([self, check](TroubleshootResult result) {
        if (!self || check != self->checks_) return;
        self->loading_ = false;
        self->apply(result);
    });
}

void TroubleshootViewController::apply(TroubleshootResult result) {
    const auto diagnosis = model_.diagnose(result, supportArticleURL_.has_value());
    userStatusTitle_ = localized(diagnosis.titleKey);
    userStatusMessage_ = localized(diagnosis.messageKey);
    setButton(0, diagnosis.primary);
    setButton(1, diagnosis.secondary);
    setButton(2, std::nullopt);
    showUserStatusView_ = true;
    refresh();
    model_.trackResult(diagnosis.reportedResult);
}

void TroubleshootViewController::perform(Handler handler) {
    switch (handler) {
        case Handler::none: return;
        case Handler::renewNow: return renewNowPrimaryActionHandler();
        case Handler::liveChat: return liveChatActionHandler();
        case Handler::contactSupport: return disablePrimaryActionHandler();
        case Handler::logOut: return invalidPrimaryActionHandler();
        case Handler::openArticle: return activeTertiaryActionHandler();
        case Handler::openAppPreferences: return openAppPreferences();
    }
}

void TroubleshootViewController::open(const std::string& url) {
    if (auto openURL = AlertServices::installed().openURL) openURL(url);
}

void TroubleshootViewController::dismiss() { NotificationCenter::defaultCenter().post(dismissNotification); }

void TroubleshootViewController::renewNowPrimaryActionHandler() {
    model_.trackAction(TroubleshootAction::renew);
    if (const auto link = model_.renewalLink()) open(*link);
}

void TroubleshootViewController::liveChatActionHandler() {
    model_.trackAction(TroubleshootAction::contactLivechat);
    open(TroubleshootModel::helpCentreLink());
    dismiss();
}

void TroubleshootViewController::disablePrimaryActionHandler() {
    model_.trackAction(TroubleshootAction::contactSupport);
    open(TroubleshootModel::helpCentreLink());
}

void TroubleshootViewController::invalidPrimaryActionHandler() {
    model_.trackAction(TroubleshootAction::logout);
    if (auto logout = AlertServices::installed().logout) logout();
}

void TroubleshootViewController::activeTertiaryActionHandler() {
    if (!supportArticleURL_) return;
    model_.trackAction(TroubleshootAction::contactSupport);
    open(*supportArticleURL_);
    dismiss();
}

void TroubleshootViewController::openAppPreferences() {
    model_.trackAction(TroubleshootAction::switchProtocol);
    performSegue(seguePreferences, this);
    dismiss();
}

void TroubleshootViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) {
    ViewController::prepareForSegue(segue, sender);
    selectPreferencesTab(segue, kPreferencesProtocolTab);
}

void TroubleshootViewController::activePrimaryActionHandler() {
    model_.trackAction(TroubleshootAction::switchLocation);
    router::showTab(MainTab::Locations);
    dismiss();
}

void TroubleshootViewController::cancelButtonClicked() {
    model_.trackAction(TroubleshootAction::cancel);
    dismiss();
}

void registerTroubleshootStoryboards(appkit::Storyboard& main) {
    const std::string scene(TroubleshootViewController::kStoryboardID);
    main.scene(scene, [] { return new TroubleshootViewController; })
        .segue(scene, std::string(kSeguePreferences), std::string(kPreferencesWindowScene), appkit::SegueKind::Show);
}

}  // namespace morvex
