#include "ui/support/SubmitTicketNewViewController.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "ui/support/SupportStyle.h"
#include "ui/support/SupportViewController.h"
#include "ui/support/TicketText.h"

namespace morvex {

namespace {
// Runs the block on the next turn of the main queue, unless the form has gone by then.
void onNextTurn(QObject* owner, std::function<void()> block) {
    QTimer::singleShot(0, owner, std::move(block));
}
}  // namespace

SubmitTicketNewViewController::SubmitTicketNewViewController(QObject* parent)
    : ViewController(parent),
      strTitle(localized("support.ticket.title")),
      btnTitle(localized("support.ticket.send")),
      strSubtitle1(localized("support.ticket.subtitle")),
      strSubtitle2(localized("support.ticket.describe")),
      strPlaceHolder(localized("support.ticket.palceholder")) {}

void SubmitTicketNewViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("SubmitTicketNewView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(32, 20, 32, 28);
    column->setSpacing(0);

    backButton = support::linkButton("backButton", QString::fromStdString(localized("support.back")), view);
    backButton->setIcon(appkit::imageNamed("support_back", QSize(14, 14)));
    column->addWidget(backButton, 0, Qt::AlignLeft);
    column->addSpacing(10);
    lblTitle = support::label("lblTitle", view, 20, QFont::Bold, "HeadingText");
    lblSubtitle1 = support::label("lblSubtitle1", view, 14, QFont::Normal, "TabText");
    lblSubtitle1->setWordWrap(true);
    lblSubtitle2 = support::label("lblSubtitle2", view, 13, QFont::DemiBold, "HeadingText");
    column->addWidget(lblTitle);
    column->addSpacing(8);
    column->addWidget(lblSubtitle1);
    column->addSpacing(20);
    column->addWidget(lblSubtitle2);
    column->addSpacing(8);

    textViewMessage = new QPlainTextEdit(view);
    textViewMessage->setObjectName(QStringLiteral("textViewMessage"));
    textViewMessage->setFont(support::font(14));
    // The card colour of the look under the heading colour: white text on white would vanish in dark.
    textViewMessage->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %3; color: %1; border: 1px solid %2; border-radius: 10px;"
                                                  " padding: 8px; }")
                                       .arg(support::color("HeadingText").name(), support::color("Separator").name(),
                                            support::color("BottomColor").name()));
    QPalette entry = textViewMessage->palette();
    entry.setColor(QPalette::PlaceholderText, support::color("TabText"));
    textViewMessage->setPalette(entry);
    connect(textViewMessage, &QPlainTextEdit::textChanged, this, [this] { controlTextDidChange(); });
    column->addWidget(textViewMessage, 1);
    column->addSpacing(8);
    errorLabel = support::label("errorLabel", view, 13, QFont::Normal, "Error");
    errorLabel->setWordWrap(true);
    errorLabel->hide();
    column->addWidget(errorLabel);
    column->addSpacing(8);

    // The send button: a label on a coloured backdrop, the whole backdrop clickable.
    auto* row = new QHBoxLayout;
    submitButtonView = new CustomView(view);
    submitButtonView->setObjectName(QStringLiteral("submitButtonView"));
    submitButtonView->setBackgroundColor(ThemedColor::colorNamed("ThemeFill"));
    submitButtonView->setCornerRadius(8);
    submitButtonView->setFixedSize(140, 36);
    auto* inside = new QHBoxLayout(submitButtonView);
    inside->setContentsMargins(12, 0, 12, 0);
    lblBtnTitle = support::label("lblBtnTitle", submitButtonView, 13, QFont::DemiBold, "HeadingText");
    QPalette white = lblBtnTitle->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    lblBtnTitle->setPalette(white);
    lblBtnTitle->setAlignment(Qt::AlignCenter);
    activityIndicator = new QProgressBar(submitButtonView);
    activityIndicator->setObjectName(QStringLiteral("activityIndicator"));
    activityIndicator->setRange(0, 0);
    activityIndicator->setTextVisible(false);
    activityIndicator->setFixedSize(28, 4);
    activityIndicator->hide();
    inside->addWidget(lblBtnTitle, 1);
    inside->addWidget(activityIndicator);
    submitButton = new QPushButton(submitButtonView);
    submitButton->setObjectName(QStringLiteral("submitButton"));
    submitButton->setFlat(true);
    submitButton->setCursor(Qt::PointingHandCursor);
    submitButton->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
    submitButton->setGeometry(0, 0, 140, 36);
    submitButton->raise();
    row->addStretch(1);
    row->addWidget(submitButtonView);
    column->addLayout(row);

    connect(submitButton, &QPushButton::clicked, this, [this] { submitClicked(); });
    connect(backButton, &QPushButton::clicked, this, [this] { backButtonClicked(); });
    setView(view);
}

void SubmitTicketNewViewController::viewWillAppear() {
    QPointer<SubmitTicketNewViewController> self(this);
    onNextTurn(this, [self] {
        if (self) self->applyTexts();
    });
}

void SubmitTicketNewViewController::viewDidAppear() {
    {
        const QSignalBlocker quiet(textViewMessage.data());
        textViewMessage->clear();
    }
    setSubmitEnabled(false);
    QPointer<SubmitTicketNewViewController> self(this);
    onNextTurn(this, [self] {
        if (self && self->activityIndicator) self->activityIndicator->hide();
    });
}

void SubmitTicketNewViewController::viewWillDisappear() {
    if (parentController) parentController->showGetHelp();
}

void SubmitTicketNewViewController::applyTexts() {
    lblTitle->setText(QString::fromStdString(strTitle));
    lblBtnTitle->setText(QString::fromStdString(btnTitle));
    lblSubtitle1->setText(QString::fromStdString(strSubtitle1));
    lblSubtitle2->setText(QString::fromStdString(strSubtitle2));
    textViewMessage->setPlaceholderText(QString::fromStdString(strPlaceHolder));
}

void SubmitTicketNewViewController::setSubmitEnabled(bool enabled) {
    QPointer<SubmitTicketNewViewController> self(this);
    onNextTurn(this, [self, enabled] {
        if (!self || !self->submitButton) return;
        self->submitButton->setEnabled(enabled);
        // The title is part of the button: dimmed with it, and disabled with it.
        if (self->lblBtnTitle) self->lblBtnTitle->setEnabled(enabled);
        self->backdropAlpha_ = enabled ? 1.0 : 0.4;
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(self->submitButtonView->graphicsEffect());
        if (!effect) {
            effect = new QGraphicsOpacityEffect(self->submitButtonView);
            self->submitButtonView->setGraphicsEffect(effect);
        }
        effect->setOpacity(self->backdropAlpha_);
    });
}

void SubmitTicketNewViewController::controlTextDidChange() {
    if (errorLabel) errorLabel->hide();
    setSubmitEnabled(!textViewMessage->toPlainText().isEmpty());
    support::applyTicketTextRule(*textViewMessage, model);
}

void SubmitTicketNewViewController::submitClicked() { submitTicket(); }

void SubmitTicketNewViewController::backButtonClicked() {
    if (parentController) parentController->showGetHelp();
}

void SubmitTicketNewViewController::submitTicket() {
    const QString text = textViewMessage->toPlainText();
    if (support::isBlank(text)) return;
    activityIndicator->show();
    errorLabel->hide();
    setSubmitEnabled(false);
    textViewMessage->setReadOnly(true);  // what is sent is what the entry shows
    model.message = text.toStdString();
    QPointer<SubmitTicketNewViewController> self(this);
    model.submitTicket([self](bool accepted) {
        if (self) self->ticketSubmitted(accepted);
    });
}

void SubmitTicketNewViewController::ticketSubmitted(bool accepted) {
    activityIndicator->hide();
    textViewMessage->setReadOnly(false);
    if (!accepted) {
        errorLabel->setText(QString::fromStdString(localized("api.unknown.error.message")));
        errorLabel->show();
        setSubmitEnabled(!textViewMessage->toPlainText().isEmpty());
        return;
    }
    textViewMessage->clear();
    if (auto number = model.user.supportTicketNo()) Alert().showSubmitTicketPopup(*number);
}

}  // namespace morvex
