#include "ui/support/SupportTicketViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "appkit/Bindings.h"
#include "foundation/Bundle.h"
#include "session/UserAuthentication.h"
#include "ui/kit/Transformers.h"
#include "ui/support/SupportStyle.h"
#include "ui/support/TicketText.h"

namespace morvex {

SupportTicketViewController::SupportTicketViewController(QObject* parent) : ViewController(parent) {}

SupportTicketViewController::~SupportTicketViewController() {
    observers_.clear();
    bindings_.clear();
}

void SupportTicketViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("SupportTicketView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    textViewMessage = new PlaceholderTextView(view);
    textViewMessage->setObjectName(QStringLiteral("textViewMessage"));
    textViewMessage->setFont(support::font(14));
    textViewMessage->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: %1; border: 1px solid %2;"
                                                  " border-radius: 8px; padding: 8px; }")
                                       .arg(support::color("HeadingText").name(), support::color("Separator").name()));
    errorLabel = support::label("errorLabel", view, 13, QFont::Normal, "Error");
    errorLabel->hide();
    auto* row = new QHBoxLayout;
    memberAreaButton = support::linkButton("memberAreaButton", QString::fromStdString(model.buttonTitle), view);
    submitButton = support::primaryButton("submitButton", QString::fromStdString(localized("support.ticket.send")), view);
    row->addWidget(memberAreaButton);
    row->addStretch(1);
    row->addWidget(submitButton);
    column->addWidget(textViewMessage, 1);
    column->addWidget(errorLabel);
    column->addLayout(row);
    connect(submitButton, &QPushButton::clicked, this, [this] { submitQuery(); });
    connect(memberAreaButton, &QPushButton::clicked, this, [this] { memberAreaClicked(); });
    connect(textViewMessage, &QPlainTextEdit::textChanged, this, [this] { textDidChange(); });
    setView(view);
}

void SupportTicketViewController::viewDidLoad() {
    textViewMessage->setPlaceholderAttributedString(
        PlaceholderTextView::Placeholder{QString::fromStdString(localized("support.ticket.palceholder")), QColor::fromRgbF(0.4f, 0.4f, 0.4f)});
    auto& center = NotificationCenter::defaultCenter();
    for (std::string_view name : {UserLoggedInChangedNotification, VPNAccountDidChangeNotification})
        observers_.push_back(center.addObserver(name, [this](const Notification& n) { loggedInPreferenceChanged(n); }));
    bindings_.push_back(errorMessage.observe([this](const std::optional<std::string>& text) {
        errorLabel->setText(QString::fromStdString(text.value_or("")));
        errorLabel->setVisible(text.has_value());
    }, true));
    // Sending is offered while the text holds more than blanks, and not during a send.
    auto enable = [this](const auto&) {
        submitButton->setEnabled(!submitting.value() &&
                                 transformers::supportButtonEnable(std::any(textViewMessage->toPlainText().toStdString())));
    };
    bindings_.push_back(submitting.observe(enable, true));
    connect(textViewMessage, &QPlainTextEdit::textChanged, this, [enable] { enable(0); });
    bindings_.push_back(textMessage.observe([this](const std::optional<std::string>& text) {
        if (!text) textViewMessage->clear();
    }));
}

void SupportTicketViewController::textDidChange() {
    errorMessage = std::nullopt;
    support::applyTicketTextRule(*textViewMessage, model);
}

void SupportTicketViewController::submitQuery() {
    errorMessage = std::nullopt;
    submitting = true;
    const SupportTicketModel copy = model;
    QPointer<SupportTicketViewController> self(this);
    copy.submitTicket([self](bool accepted) {
        if (self) self->ticketSubmitted(accepted);
    });
}

void SupportTicketViewController::ticketSubmitted(bool accepted) {
    submitting = false;
    if (!accepted) {
        errorMessage = localized("api.unknown.error.message");
        return;
    }
    textMessage = std::nullopt;
    if (auto number = model.user.supportTicketNo()) Alert().showSubmitTicketPopup(*number);
}

void SupportTicketViewController::memberAreaClicked() {
    if (auto link = model.memberAreaURL(); link)
        if (auto open = AlertServices::installed().openURL) open(*link);
}

void SupportTicketViewController::loggedInPreferenceChanged(const Notification&) {
    textMessage = std::nullopt;
    errorMessage = std::nullopt;
}

}  // namespace morvex
