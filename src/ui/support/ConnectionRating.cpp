#include "ui/support/ConnectionRating.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "state/AppPreferences.h"
#include "ui/kit/ThemedColor.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {

QFont sized(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont f = QApplication::font();
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

QString colour(std::string_view name, const QWidget* widget) {
    return ThemedColor::colorNamed(name, Qt::black).resolve(widget).name(QColor::HexArgb);
}

std::string trimmed(const QString& text) { return text.trimmed().toStdString(); }

}  // namespace

ConnectionRating::Collaborators ConnectionRating::defaults() {
    return {ConnectionRatingModel::defaults(), [] { return DislikeReasoner::loadReasons(); }, [] {
                Zevu zevu = MorvexVPNService::makeZevu();
                Alert().showSwitchServer(AppPreferences(), MorvexVPNService::makeEventTracker(), zevu.connectToLocationHook(),
                                         [](const std::optional<Error>& error) {
                                             if (error) log::print("[ConnectionRating] switch server failed: " + error->localizedDescription());
                                         });
            }};
}

ConnectionRating::ConnectionRating(Collaborators c, QObject* parent)
    : ViewController(parent), model_(c.model), c_(std::move(c)) {
    setPreferredContentSize(QSize(440, 0));
}

ConnectionRating::~ConnectionRating() = default;

void ConnectionRating::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionRatingView"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setFixedWidth(440);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);

    title_ = new QLabel(QString::fromStdString(localized("connection.rating.title")), view);
    title_->setObjectName(QStringLiteral("ratingTitle"));
    title_->setFont(sized(20, QFont::Bold));
    column->addWidget(title_);
    message_ = new QLabel(QString::fromStdString(localized("connection.rating.message")), view);
    message_->setObjectName(QStringLiteral("ratingMessage"));
    message_->setFont(sized(14));
    message_->setWordWrap(true);
    column->addWidget(message_);

    column->addSpacing(2);
    optionsStackView_ = new QWidget(view);
    optionsStackView_->setObjectName(QStringLiteral("optionsStackView"));
    auto* options = new QVBoxLayout(optionsStackView_);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(6);
    column->addWidget(optionsStackView_);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);

    column->addSpacing(2);
    messageBox_ = new QPlainTextEdit(view);
    messageBox_->setObjectName(QStringLiteral("messageBox"));
    messageBox_->setFont(sized(14));
    messageBox_->setFixedHeight(64);
    column->addWidget(messageBox_);
    errorLabel_ = new QLabel(view);
    errorLabel_->setTextFormat(Qt::PlainText);  // the service's refusal text
    errorLabel_->setObjectName(QStringLiteral("errorMessage"));
    errorLabel_->setFont(sized(13));
    errorLabel_->setWordWrap(true);
    errorLabel_->hide();
    column->addWidget(errorLabel_);

    column->addSpacing(10);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addStretch(1);
    cancel_ = new QPushButton(QString::fromStdString(localized("cancel")), view);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    submit_ = new QPushButton(QString::fromStdString(localized("connection.rating.submit")), view);
    submit_->setObjectName(QStringLiteral("submitButton"));
    submit_->setDefault(true);
    for (auto* b : {cancel_.data(), submit_.data()}) {
        b->setFont(sized(14, QFont::Medium));
        b->setFixedSize(126, 30);
        b->setCursor(Qt::PointingHandCursor);
        row->addWidget(b);
    }
    column->addLayout(row);
    connect(submit_, &QPushButton::clicked, this, [this] { submitButtonClicked(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelButtonClicked(); });
    setView(view);
}

void ConnectionRating::viewDidLoad() {
    ViewController::viewDidLoad();
    reasons_ = c_.loadReasons ? c_.loadReasons() : std::nullopt;
    if (reasons_) {
        auto* options = static_cast<QVBoxLayout*>(optionsStackView_->layout());
        for (std::size_t i = 0; i < reasons_->size(); ++i) {
            const Reason& reason = (*reasons_)[i];
            auto* button = new QRadioButton(QString::fromStdString(reason.title), optionsStackView_);
            button->setObjectName(QStringLiteral("option%1").arg(i));
            button->setFont(sized(14));
            button->setCursor(Qt::PointingHandCursor);
            group_->addButton(button, static_cast<int>(i));
            options_.emplace_back(button);
            options->addWidget(button);
            // Eight reasons with a second line each would not fit a sheet: the subtitle is the hint.
            button->setToolTip(QString::fromStdString(reason.subtitle));
        }
        connect(group_, &QButtonGroup::idClicked, this, [this](int id) { optionSelected(id); });
    }
    applyStyle();
}

void ConnectionRating::viewWillAppear() {
    ViewController::viewWillAppear();
    // Sheets follow the chosen look: the colours are those of the window the form hangs from.
    applyStyle();
}

void ConnectionRating::applyStyle() {
    QWidget* v = view();
    v->setStyleSheet(QStringLiteral("QWidget#ConnectionRatingView { background: %1; }").arg(colour("BottomColor", v)));
    title_->setStyleSheet(QStringLiteral("color: %1;").arg(colour("HeadingText", v)));
    message_->setStyleSheet(QStringLiteral("color: %1;").arg(colour("TabText", v)));
    for (auto& b : options_)
        if (b)
            b->setStyleSheet(QStringLiteral("QRadioButton { color: %1; spacing: 8px; }"
                                            "QRadioButton::indicator { width: 14px; height: 14px; border-radius: 8px;"
                                            " border: 1px solid %2; background: %3; }"
                                            "QRadioButton::indicator:checked { width: 8px; height: 8px; border: 4px solid %4; }")
                                 .arg(colour("HeadingText", v), colour("TabText", v), colour("BottomColor", v),
                                      colour("ThemeColor", v)));
    messageBox_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: %1; background: %2; border: 1px solid %3; border-radius: 10px; padding: 6px; }")
                                   .arg(colour("HeadingText", v), colour("BottomColor", v), colour("Separator", v)));
    errorLabel_->setStyleSheet(QStringLiteral("color: %1;").arg(colour("Error", v)));
    submit_->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: %2; border: none; border-radius: 8px; }"
                                          "QPushButton:disabled { background: %3; }")
                               .arg(colour("PopupOKTextColorNew", v), colour("PopupOKButtonBGColor", v), colour("Separator", v)));
    cancel_->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; border: 1px solid %2; border-radius: 8px; }")
                               .arg(colour("PopupCancelTextColor", v), colour("PopupButtonBorderColor", v)));
}

void ConnectionRating::setErrorMessage(std::optional<std::string> text) {
    errorMessage_ = std::move(text);
    if (!isViewLoaded()) return;
    errorLabel_->setText(errorMessage_ ? QString::fromStdString(*errorMessage_) : QString());
    errorLabel_->setVisible(errorMessage_.has_value());
}

void ConnectionRating::setRequestInProcess(bool value) {
    requestInProcess_ = value;
    if (!isViewLoaded()) return;
    submit_->setEnabled(!value);
    cancel_->setEnabled(!value);
}

void ConnectionRating::optionSelected(int tag) {
    setErrorMessage(std::nullopt);
    if (!reasons_ || tag < 0 || tag >= static_cast<int>(reasons_->size())) return;
    const Reason& reason = (*reasons_)[static_cast<std::size_t>(tag)];
    messageBox_->setPlaceholderText(QString::fromStdString(reason.placeholder));
    selectedReason_ = reason;
    if (auto* button = group_->button(tag); button && !button->isChecked()) button->setChecked(true);
}

void ConnectionRating::submitButtonClicked() {
    // One ticket per form: a second press while the first is on its way sends nothing.
    if (requestInProcess_) return;
    setErrorMessage(std::nullopt);
    if (!selectedReason_) return setErrorMessage(localized("connection.rating.error.no.option.selected"));
    const std::string comment = trimmed(messageBox_->toPlainText());
    if (selectedReason_->isReasonRequired && comment.empty())
        return setErrorMessage(localized("connection.rating.error.no.comment"));
    setRequestInProcess(true);
    const Reason reason = *selectedReason_;
    QPointer<ConnectionRating> self(this);
    model_.submitTicket(reason.title, comment, [self, reason, comment](Result<ConnectionRatingModel::SubmitTicketAPIResponseModel> answer) {
        if (!self) return;
        self->setRequestInProcess(false);
        if (!answer) {
            // The sheet stays with the choice and the comment, so the user can send again.
            self->model_.trackFeedbackFailure(reason.title, comment);
            self->setErrorMessage(localized("api.unknown.error.message"));
            return;
        }
        self->model_.trackFeedback(reason.title, comment, true);
        auto showSwitchServer = self->c_.showSwitchServer;
        self->end(1);
        if (reason.action == Reason::Action::SwitchServer && showSwitchServer) showSwitchServer();
    });
}

void ConnectionRating::cancelButtonClicked() {
    model_.trackFeedback(selectedReason_ ? selectedReason_->title : std::string(), trimmed(messageBox_->toPlainText()), false);
    end(0);
}

void ConnectionRating::end(int response) {
    emit finished(response);
    appkit::Window* host = window();
    if (!host) host = appkit::Application::shared().firstWindow();
    if (host)
        if (appkit::Sheet* sheet = host->attachedSheet()) host->endSheet(sheet, static_cast<ModalResponse>(response));
}

}  // namespace morvex
