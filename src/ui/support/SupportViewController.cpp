#include "ui/support/SupportViewController.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "viewmodels/MainTab.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "session/UserAuthentication.h"
#include "ui/support/SupportLinks.h"
#include "ui/support/SupportStyle.h"
#include "ui/support/TicketText.h"

namespace morvex {

namespace {

SupportButton* paneButton(const char* name, const std::string& key, QWidget* parent) {
    auto* b = new SupportButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromStdString(localized(key)));
    b->setCursor(Qt::PointingHandCursor);
    b->setSelectedColor(ThemedColor::colorNamed("ThemeColor"));
    b->setDeselectedColor(ThemedColor(Qt::transparent));
    b->setRound(8);
    b->setRoundCorners(true);
    b->setWantsLayer(true);
    b->setMinimumSize(110, 30);
    return b;
}

}  // namespace

SupportViewController1::SupportViewController1(QObject* parent) : ViewController(parent) {}

SupportViewController1::~SupportViewController1() {
    observers_.clear();
    bindings_.clear();
}

void SupportViewController1::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("SupportView"));
    view->setAutoFillBackground(true);
    QPalette background = view->palette();
    background.setColor(QPalette::Window, support::color("WindowBackground"));
    view->setPalette(background);
    auto* stack = new QGridLayout(view);
    stack->setContentsMargins(0, 0, 0, 0);

    // The three panes under their tab buttons.
    auto* panes = new QWidget(view);
    panes->setObjectName(QStringLiteral("panes"));
    auto* column = new QVBoxLayout(panes);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(16);
    auto* tabs = new QHBoxLayout;
    tabs->setSpacing(8);
    btn_faq = paneButton("btn_faq", "support.tab.faq", panes);
    btn_support = paneButton("btn_support", "support.tab.ticket", panes);
    btn_chat = paneButton("btn_chat", "support.tab.chat", panes);
    for (auto* b : {btn_faq.data(), btn_support.data(), btn_chat.data()}) tabs->addWidget(b);
    tabs->addStretch(1);
    column->addLayout(tabs);

    faqView = new QWidget(panes);
    faqView->setObjectName(QStringLiteral("faqView"));
    auto* faqLayout = new QGridLayout(faqView);
    faqLayout->setContentsMargins(0, 0, 0, 0);
    webView = new FaqWebView(faqView);
    faqActivityIndicator = new QProgressBar(faqView);
    faqActivityIndicator->setObjectName(QStringLiteral("faqActivityIndicator"));
    faqActivityIndicator->setRange(0, 0);
    faqActivityIndicator->setTextVisible(false);
    faqActivityIndicator->setFixedSize(60, 4);
    faqActivityIndicator->hide();
    faqLayout->addWidget(webView, 0, 0);
    faqLayout->addWidget(faqActivityIndicator, 0, 0, Qt::AlignCenter);

    supportTicketView = new CustomView(panes);
    supportTicketView->setObjectName(QStringLiteral("supportTicketView"));
    supportTicketView->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    supportTicketView->setCornerRadius(12);
    auto* ticket = new QVBoxLayout(supportTicketView);
    ticket->setContentsMargins(20, 20, 20, 20);
    ticket->setSpacing(10);
    textViewMessage = new PlaceholderTextView(supportTicketView);
    textViewMessage->setObjectName(QStringLiteral("textViewMessage"));
    textViewMessage->setFont(support::font(14));
    errorLabel = support::label("errorLabel", supportTicketView, 13, QFont::Normal, "Error");
    errorLabel->hide();
    auto* actions = new QHBoxLayout;
    memberAreaButton = support::linkButton("memberAreaButton", QString::fromStdString(model.buttonTitle), supportTicketView);
    activityIndicator = new QProgressBar(supportTicketView);
    activityIndicator->setObjectName(QStringLiteral("activityIndicator"));
    activityIndicator->setRange(0, 0);
    activityIndicator->setTextVisible(false);
    activityIndicator->setFixedSize(60, 4);
    activityIndicator->hide();
    submitButton = support::primaryButton("submitButton", QString::fromStdString(localized("support.ticket.send")), supportTicketView);
    actions->addWidget(memberAreaButton);
    actions->addStretch(1);
    actions->addWidget(activityIndicator);
    actions->addWidget(submitButton);
    ticket->addWidget(textViewMessage, 1);
    ticket->addWidget(errorLabel);
    ticket->addLayout(actions);

    liveChatView = new CustomView(panes);
    liveChatView->setObjectName(QStringLiteral("liveChatView"));
    liveChatView->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    liveChatView->setCornerRadius(12);
    auto* chat = new QVBoxLayout(liveChatView);
    chat->setContentsMargins(20, 20, 20, 20);
    auto* chatCaption = support::label("lblChat", liveChatView, 14, QFont::Normal, "HeadingText");
    chatCaption->setText(QString::fromStdString(localized("support.route.chat.caption")));
    chatCaption->setWordWrap(true);
    liveChatButton = support::primaryButton("liveChatButton", QString::fromStdString(localized("support.chat.now")), liveChatView);
    chat->addWidget(chatCaption);
    chat->addSpacing(12);
    chat->addWidget(liveChatButton, 0, Qt::AlignLeft);
    chat->addStretch(1);
    for (QWidget* pane : {faqView.data(), static_cast<QWidget*>(supportTicketView.data()), static_cast<QWidget*>(liveChatView.data())})
        column->addWidget(pane, 1);

    // The content area lies over the panes.
    containerView = new QWidget(view);
    containerView->setObjectName(QStringLiteral("containerView"));
    containerView->setAutoFillBackground(true);
    containerView->setPalette(background);
    auto* content = new QStackedLayout(containerView);
    content->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(panes, 0, 0);
    stack->addWidget(containerView, 0, 0);
    containerView->raise();

    connect(btn_faq, &QAbstractButton::clicked, this, [this] { selectTab(0); });
    connect(btn_support, &QAbstractButton::clicked, this, [this] { selectTab(1); });
    connect(btn_chat, &QAbstractButton::clicked, this, [this] { selectTab(2); });
    connect(liveChatButton, &QPushButton::clicked, this, [this] { chatNowBtnPressed(); });
    connect(memberAreaButton, &QPushButton::clicked, this, [this] { memberAreaClicked(); });
    connect(submitButton, &QPushButton::clicked, this, [this] { submitTicket(); });
    connect(textViewMessage, &QPlainTextEdit::textChanged, this, [this] { textDidChange(); });
    setView(view);
}

void SupportViewController1::viewDidLoad() {
    setupPlaceholder();
    auto& center = NotificationCenter::defaultCenter();
    for (std::string_view name : {UserLoggedInChangedNotification, VPNAccountDidChangeNotification})
        observers_.push_back(center.addObserver(name, [this](const Notification& n) { loggedInPreferenceChanged(n); }));
    observers_.push_back(center.addObserver(kShowFAQNotification, [this](const Notification& n) { ShowFAQ(n); }));
    styleMessageView();
    bindings_.push_back(errorMessage.observe([this](const std::optional<std::string>& text) {
        errorLabel->setText(QString::fromStdString(text.value_or("")));
        errorLabel->setVisible(text.has_value());
    }, true));
    bindings_.push_back(submitting.observe([this](bool on) { textViewMessage->setReadOnly(on); }, true));
    selectTab(1);
    showGetHelp();
    observers_.push_back(center.addObserver(kOpenViewControllerNotification, [this](const Notification& n) { tabMenuChanged(n); }));
}

void SupportViewController1::viewWillAppear() {
    onScreen_ = true;
    if (shownChild_) {
        shownChild_->viewWillAppear();
        shownChild_->viewDidAppear();
    }
}

void SupportViewController1::viewWillDisappear() {
    onScreen_ = false;
    // The screen shown hears that it goes with the page (the form then asks for the hub).
    if (QPointer<appkit::ViewController> child = shownChild_) {
        child->viewWillDisappear();
        if (child) child->viewDidDisappear();
    }
}

appkit::ViewController* SupportViewController1::instantiate(const char* scene) {
    if (appkit::Storyboard* board = appkit::Storyboard::named(kStoryboard); board && board->hasScene(scene)) {
        QObject* made = board->instantiateController(scene);
        if (auto* controller = qobject_cast<appkit::ViewController*>(made)) return controller;
        delete made;
    }
    if (std::string_view(scene) == kGetHelpScene) return new GetHelpViewController;
    return new SubmitTicketNewViewController;
}

void SupportViewController1::showGetHelp() {
    if (!getHelpViewController) {
        getHelpViewController = qobject_cast<GetHelpViewController*>(instantiate(kGetHelpScene));
        if (!getHelpViewController) return;
        getHelpViewController->setParent(this);
        getHelpViewController->parentController = this;
    }
    showChildController(getHelpViewController, TransitionSubtype::FromLeft);
}

void SupportViewController1::showReportBug() {
    if (!submitTicketNewViewController) {
        submitTicketNewViewController = qobject_cast<SubmitTicketNewViewController*>(instantiate(kSubmitTicketNewScene));
        if (!submitTicketNewViewController) return;
        submitTicketNewViewController->setParent(this);
    }
    QPointer<SupportViewController1> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->submitTicketNewViewController) return;
        SubmitTicketNewViewController* form = self->submitTicketNewViewController;
        form->parentController = self;
        form->strTitle = "Report A Bug";
        form->btnTitle = "Report";
        form->strSubtitle1 =
            "Encountered a bug while using MorvexVPN? Please provide detailed information about the bug you encountered so "
            "we can investigate and resolve it.";
        form->strSubtitle2 = "Describe the bug: ";
        form->strPlaceHolder = "Please include steps to reproduce the bug, the expected behavior, and the actual behavior\nyou observed.";
        self->showChildController(form, TransitionSubtype::FromRight);
    });
}

void SupportViewController1::showChildController(appkit::ViewController* child, TransitionSubtype subtype) {
    if (!child || !containerView) return;
    if (QPointer<appkit::ViewController> old = shownChild_) {
        shownChild_ = nullptr;
        if (onScreen_) old->viewWillDisappear();
        if (old && old->isViewLoaded()) {
            containerView->layout()->removeWidget(old->view());
            old->view()->hide();
            old->view()->setParent(nullptr);
        }
        if (old && onScreen_) old->viewDidDisappear();
        // A form the page has let go of goes once it is off screen.
        if (old && old != getHelpViewController && old != submitTicketNewViewController) old->deleteLater();
        // Its going may already have brought this screen (the form asks for the hub).
        if (shownChild_ == child) return;
        if (shownChild_) return showChildController(child, subtype);
    }
    shownChild_ = child;
    lastTransition_ = subtype;
    QWidget* page = child->view();
    auto* content = static_cast<QStackedLayout*>(containerView->layout());
    content->addWidget(page);
    content->setCurrentWidget(page);
    page->setGeometry(containerView->rect());
    if (onScreen_) child->viewWillAppear();
    page->show();
    if (onScreen_) child->viewDidAppear();

    // A short fade in, the new screen drifting in from its side.
    if (!containerView->isVisible()) return;
    auto* effect = new QGraphicsOpacityEffect(page);
    page->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", page);
    fade->setDuration(kChildFadeMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    QPointer<QWidget> guard(page);
    connect(fade, &QPropertyAnimation::finished, page, [guard] {
        if (guard) guard->setGraphicsEffect(nullptr);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void SupportViewController1::selectTab(int index) {
    selectedPane_ = index;
    faqView->setVisible(index == 0);
    supportTicketView->setVisible(index == 1);
    liveChatView->setVisible(index == 2);
    highlightTab(index);
}

void SupportViewController1::highlightTab(int index) {
    const ThemedColor plain = ThemedColor::colorNamed("TabText");
    for (SupportButton* b : {btn_faq.data(), btn_support.data(), btn_chat.data()}) {
        b->setCurrentColor(b->deselectedColor().value_or(ThemedColor(Qt::transparent)));
        QPalette p = b->palette();
        p.setColor(QPalette::ButtonText, plain.resolve(b));
        b->setPalette(p);
    }
    SupportButton* chosen = index == 0 ? btn_faq.data() : index == 1 ? btn_support.data() : btn_chat.data();
    chosen->setCurrentColor(chosen->selectedColor().value_or(ThemedColor(Qt::transparent)));
    QPalette p = chosen->palette();
    p.setColor(QPalette::ButtonText, Qt::white);
    chosen->setPalette(p);
}

void SupportViewController1::setupPlaceholder() {
    textViewMessage->setPlaceholderAttributedString(
        PlaceholderTextView::Placeholder{QString::fromStdString(localized("support.ticket.palceholder")), support::color("TabText")});
}

void SupportViewController1::styleMessageView() {
    textViewMessage->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: %1; border: 1px solid #DEE2E6;"
                                                  " border-radius: 10px; padding: 8px; }")
                                       .arg(support::color("HeadingText").name()));
}

void SupportViewController1::textDidChange() {
    errorMessage = std::nullopt;
    support::applyTicketTextRule(*textViewMessage, model);
}

void SupportViewController1::submitTicket() {
    const QString text = textViewMessage->toPlainText();
    if (support::isBlank(text)) {
        errorMessage = std::string(kEmptyMessage);
        return;
    }
    activityIndicator->show();
    submitButton->setEnabled(false);
    errorMessage = std::nullopt;
    submitting = true;
    model.message = text.toStdString();
    QPointer<SupportViewController1> self(this);
    model.submitTicket([self](bool accepted) {
        if (self) self->ticketSubmitted(accepted);
    });
}

void SupportViewController1::ticketSubmitted(bool accepted) {
    activityIndicator->hide();
    submitButton->setEnabled(true);
    submitting = false;
    if (!accepted) {
        // The user's words stay for another try.
        errorMessage = localized("api.unknown.error.message");
        return;
    }
    textViewMessage->clear();
    textMessage = std::nullopt;
    if (auto number = model.user.supportTicketNo()) Alert().showSubmitTicketPopup(*number);
}

void SupportViewController1::chatNowBtnPressed() {
    if (auto open = AlertServices::installed().openURL) open(support::liveChatPage());
}

void SupportViewController1::memberAreaClicked() {
    if (auto link = model.memberAreaURL(); link)
        if (auto open = AlertServices::installed().openURL) open(*link);
}

void SupportViewController1::ShowFAQ(const Notification& notification) {
    const auto* faq = notification.objectAs<bool>();
    if (!faq) return;
    selectTab(*faq ? 0 : 1);
}

void SupportViewController1::tabMenuChanged(const Notification& notification) {
    const auto page = mainTabFromObject(notification.object);
    if (!page || *page == MainTab::Support1) return;
    // The next bug report starts from a fresh form.
    if (SubmitTicketNewViewController* form = submitTicketNewViewController) {
        submitTicketNewViewController = nullptr;
        if (form != shownChild_) form->deleteLater();
    }
}

void SupportViewController1::loggedInPreferenceChanged(const Notification&) {
    textMessage = std::nullopt;
    errorMessage = std::nullopt;
}

}  // namespace morvex
