#include "ui/account/ReferFriendViewController.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "foundation/BundleResources.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "ui/account/AccountPage.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/ToastView.h"

namespace morvex {

using account::qs;

namespace {

constexpr double kToastSeconds = 1.0;

bool composeWithMailProgram(const std::string& subject, const std::string& body) {
    QUrl mail(QStringLiteral("mailto:"));
    QUrlQuery query;
    if (!subject.empty()) query.addQueryItem(QStringLiteral("subject"), QString::fromStdString(subject));
    query.addQueryItem(QStringLiteral("body"), QString::fromStdString(body));
    mail.setQuery(query);
    return QDesktopServices::openUrl(mail);
}

void putOnClipboard(const std::string& text) {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
}

}  // namespace

ReferFriendViewController::ReferFriendViewController(QObject* parent)
    : ReferFriendViewController(std::make_unique<ReferAFriendModel>(), Hooks{}, parent) {}

ReferFriendViewController::ReferFriendViewController(std::unique_ptr<ReferAFriendModel> model, Hooks hooks, QObject* parent)
    : ViewController(parent), model_(model ? std::move(model) : std::make_unique<ReferAFriendModel>()), hooks_(std::move(hooks)) {
    if (!hooks_.composeMail) hooks_.composeMail = composeWithMailProgram;
}

ReferFriendViewController::~ReferFriendViewController() = default;

void ReferFriendViewController::loadView() {
    QVBoxLayout* column = nullptr;
    QWidget* page = account::makePage("ReferFriendView", account::text("refer.title"), &column);

    auto* card = new CustomView(page);
    card->setObjectName(QStringLiteral("referCard"));
    card->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    card->setCornerRadius(12);
    auto* inside = new QVBoxLayout(card);
    inside->setContentsMargins(20, 20, 20, 20);
    inside->setSpacing(10);
    auto* head = new QHBoxLayout;
    head->setSpacing(14);
    auto* gift = new QLabel(card);
    gift->setPixmap(appkit::imageNamed("ReferFriendGift", QSize(40, 40)));
    head->addWidget(gift, 0, Qt::AlignTop);
    auto* words = new QVBoxLayout;
    words->setSpacing(6);
    words->addWidget(account::makeLabel(card, account::text("refer.headline"), "HeadingText", 16, true));
    QLabel* message = account::makeLabel(card, account::text("refer.message"), "TabText", 14);
    message->setWordWrap(true);
    words->addWidget(message);
    head->addLayout(words, 1);
    inside->addLayout(head);
    inside->addSpacing(6);

    inside->addWidget(account::makeLabel(card, account::text("refer.link.caption"), "TabText", 13));
    auto* linkBox = new CustomView(card);
    linkBox->setBorderWidth(1);
    linkBox->setBorderColor(ThemedColor::colorNamed("Separator"));
    linkBox->setCornerRadius(10);
    auto* linkRow = new QHBoxLayout(linkBox);
    linkRow->setContentsMargins(12, 8, 12, 8);
    linkLabel = account::makeLabel(linkBox, account::text("refer.link.loading"), "HeadingText", 14);
    linkLabel->setObjectName(QStringLiteral("referralLink"));
    linkLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    linkRow->addWidget(linkLabel, 1);
    inside->addWidget(linkBox);
    errorLabel = account::makeLabel(card, {}, "Error", 13);
    errorLabel->setObjectName(QStringLiteral("errorMessage"));
    errorLabel->setWordWrap(true);
    inside->addWidget(errorLabel);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    copyButton = account::makeButton(card, account::text("refer.a.friend.sharing.copylink"));
    copyButton->setObjectName(QStringLiteral("copyLink"));
    connect(copyButton, &QPushButton::clicked, this, [this] { copyReferralLink(); });
    emailButton = account::makeButton(card, account::text("refer.invite.email"), false);
    emailButton->setObjectName(QStringLiteral("inviteEmail"));
    connect(emailButton, &QPushButton::clicked, this, [this] { inviteByEmail(); });
    shareButton = account::makeButton(card, account::text("refer.share"), false);
    shareButton->setObjectName(QStringLiteral("share"));
    connect(shareButton, &QPushButton::clicked, this, [this] { shareAppButtonClicked(); });
    buttons->addWidget(copyButton);
    buttons->addWidget(emailButton);
    buttons->addWidget(shareButton);
    buttons->addStretch(1);
    inside->addLayout(buttons);
    column->addWidget(card);

    lblLearn = new QLabel(page);
    lblLearn->setObjectName(QStringLiteral("learnMore"));
    lblLearn->setFont(systemFont(13));
    lblLearn->setCursor(Qt::PointingHandCursor);
    lblLearn->setTextFormat(Qt::RichText);
    connect(lblLearn, &QLabel::linkActivated, this, [this](const QString&) { learnFromHere(); });
    column->addWidget(lblLearn);
    column->addStretch(1);

    auto* footer = new QHBoxLayout;
    backButton = account::makeButton(page, account::text("refer.back"), false);
    backButton->setObjectName(QStringLiteral("back"));
    connect(backButton, &QPushButton::clicked, this, [this] { backAction(); });
    footer->addWidget(backButton);
    footer->addStretch(1);
    column->addLayout(footer);
    setView(page);
    refreshView();
}

void ReferFriendViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    fetchReferralLink();
    // The whole line is the link, underlined, in the colour of links on a light ground.
    lblLearn->setText(QStringLiteral("<a href=\"learn\" style=\"color:%1;text-decoration:underline\">%2</a>")
                          .arg(account::namedColor(lblLearn, "ThemeColor").name(), account::text("refer.learn.more").toHtmlEscaped()));
}

void ReferFriendViewController::fetchReferralLink() {
    QPointer<ReferFriendViewController> self(this);
    model_->fetchReferralLink(lifetime_.guard([self](Result<std::string> result) {
        if (!self) return;
        if (result) {
            self->referralLink = *result;
            self->errorMessage.reset();
        } else {
            self->errorMessage = result.error().localizedDescription();
        }
        self->refreshView();
    }));
}

void ReferFriendViewController::refreshView() {
    if (!isViewLoaded()) return;
    // A failed request with no earlier link leaves nothing to wait for.
    const char* placeholder = errorMessage ? "refer.link.unavailable" : "refer.link.loading";
    if (linkLabel) linkLabel->setText(referralLink ? qs(*referralLink) : account::text(placeholder));
    if (errorLabel) {
        errorLabel->setText(errorMessage ? qs(*errorMessage) : QString());
        errorLabel->setVisible(errorMessage.has_value());
    }
}

void ReferFriendViewController::learnFromHere() {
    account::openWebPage(webLinkWithQueryItems(WebHosts::webSiteWWW() + "/us/en/home/renewal"));
}

void ReferFriendViewController::backAction() {
    NotificationCenter::defaultCenter().post(BaseViewController::appShowControllerNotification, BaseViewController::dashboardPage);
}

void ReferFriendViewController::copyReferralLink() {
    putOnClipboard(ReferAFriendModel::textToCopy(referralLink));
    if (appkit::Window* shown = window()) showToast(shown, localized("refer.link.copied"), kToastSeconds);
}

void ReferFriendViewController::inviteByEmail() {
    hooks_.composeMail(ReferAFriendModel::inviteSubject(), ReferAFriendModel::inviteBody(referralLink));
}

void ReferFriendViewController::shareAppButtonClicked() {
    model_->trackShareClick();
    showSharePicker(shareButton);
}

std::vector<ReferFriendViewController::SharingService> ReferFriendViewController::proposedServices(const std::string& message) {
    return {{localized("refer.share.email"), "", [this, message] { hooks_.composeMail({}, message); }}};
}

std::vector<ReferFriendViewController::SharingService> ReferFriendViewController::sharingServices(std::vector<SharingService> proposed) {
    if (!morvex::imageNamed("ProfileUsernameCopy")) return proposed;
    QPointer<ReferFriendViewController> self(this);
    SharingService copy{localized("refer.a.friend.sharing.copylink"), "ProfileUsernameCopy", [self] {
                            if (self && self->referralLink) putOnClipboard(*self->referralLink);
                        }};
    proposed.insert(proposed.begin(), std::move(copy));
    return proposed;
}

void ReferFriendViewController::showSharePicker(QWidget* anchor) {
    const auto message = ReferAFriendModel::shareMessage(referralLink);
    if (!message || !anchor) return;
    if (sharePicker) sharePicker->deleteLater();
    sharePicker = new QMenu(anchor);
    sharePicker->setObjectName(QStringLiteral("sharePicker"));
    sharePicker->setAttribute(Qt::WA_DeleteOnClose);
    for (const SharingService& service : sharingServices(proposedServices(*message))) {
        QAction* action = service.imageName.empty()
                              ? sharePicker->addAction(qs(service.title))
                              : sharePicker->addAction(appkit::imageNamed(service.imageName), qs(service.title));
        connect(action, &QAction::triggered, this, service.perform);
    }
    // Below the button, as a picker opens from its anchor's lower edge.
    sharePicker->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

}  // namespace morvex
