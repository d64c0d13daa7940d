#include "ui/kit/ProtocolsAlertViewController.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <climits>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "ui/kit/Fonts.h"

namespace morvex {

namespace {

constexpr int kSide = 20;
constexpr int kTextWidth = ProtocolsAlertViewController::kWidth - 2 * kSide;
constexpr int kButtonWidth = 126;
constexpr int kButtonGap = 8;
// A button is its title's height and this much more.
constexpr int kButtonPadding = 13;

// The spacing around the texts; with the button's padding it adds up to the base height.
struct Spacing {
    int top, titleGap, buttonGap, bottom;
};
constexpr Spacing kWithTitle{18, 10, 14, 15};
constexpr Spacing kWithoutTitle{12, 0, 12, 13};
static_assert(kWithTitle.top + kWithTitle.titleGap + kWithTitle.buttonGap + kWithTitle.bottom + kButtonPadding ==
              ProtocolsAlertViewController::kBaseHeightWithTitle);
static_assert(kWithoutTitle.top + kWithoutTitle.buttonGap + kWithoutTitle.bottom + kButtonPadding ==
              ProtocolsAlertViewController::kBaseHeightWithoutTitle);

// The height of `text` in `font`, wrapped at `width`; nothing for no text.
int wrappedHeight(const QFont& font, const QString& text, int width) {
    if (text.isEmpty()) return 0;
    return QFontMetrics(font).boundingRect(QRect(0, 0, width, INT_MAX / 2), Qt::TextWordWrap, text).height();
}

}  // namespace

ProtocolsAlertViewController::ProtocolsAlertViewController(QObject* parent) : ViewController(parent) {}

ProtocolsAlertViewController::~ProtocolsAlertViewController() = default;

ProtocolsAlertViewController* ProtocolsAlertViewController::instantiate() {
    const appkit::Storyboard* board = appkit::Storyboard::named(kStoryboard);
    QObject* made = board ? board->instantiateController(kStoryboardID) : nullptr;
    if (auto* alert = qobject_cast<ProtocolsAlertViewController*>(made)) return alert;
    delete made;
    return nullptr;
}

void ProtocolsAlertViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ProtocolsAlertView"));
    view->setAttribute(Qt::WA_StyledBackground, true);
    view->setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(view);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // The scene's own texts, shown when the presenter gives no configuration.
    alertTitle = new QLabel(QString::fromStdString(localized("wiregurad.beta.information.title")), view);
    alertTitle->setObjectName(QStringLiteral("alertTitle"));
    alertTitle->setFont(systemFont(20, QFont::Bold));
    alertMessage = new QLabel(QString::fromStdString(localized("wiregurad.beta.information.details")), view);
    alertMessage->setObjectName(QStringLiteral("alertMessage"));
    alertMessage->setFont(systemFont(14));
    primaryButton = new QPushButton(QString::fromStdString(localized("ok")), view);
    primaryButton->setObjectName(QStringLiteral("primaryButton"));
    secondaryButton = new QPushButton(view);
    secondaryButton->setObjectName(QStringLiteral("secondaryButton"));
    secondaryButton->hide();
    for (QLabel* label : {alertTitle.data(), alertMessage.data()}) {
        label->setWordWrap(true);
        label->setFixedWidth(kTextWidth);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    for (QPushButton* button : {primaryButton.data(), secondaryButton.data()}) {
        button->setFont(systemFont(13));
        button->setFixedWidth(kButtonWidth);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(primaryButton, &QPushButton::clicked, this, [this] { primaryActionTapped(); });
    connect(secondaryButton, &QPushButton::clicked, this, [this] { secondaryActionTapped(); });

    column->addWidget(alertTitle);
    column->addSpacing(0);  // the gap under the title
    column->addWidget(alertMessage);
    column->addSpacing(0);  // the gap above the buttons
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonGap);
    buttons->addStretch(1);
    buttons->addWidget(secondaryButton);
    buttons->addWidget(primaryButton);
    column->addLayout(buttons);
    setView(view);
}

void ProtocolsAlertViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    applyLook();
    if (config) configureFromConfig();
    else setPreferredContentSize(QSize(kWidth, contentHeight(kBaseHeightWithTitle)));
    // Every text at its measured height, so the laid-out sheet is exactly as tall as measured.
    const bool titled = !alertTitle->isHidden();
    const Spacing s = titled ? kWithTitle : kWithoutTitle;
    auto* column = static_cast<QVBoxLayout*>(view()->layout());
    column->setContentsMargins(kSide, s.top, kSide, s.bottom);
    column->itemAt(1)->spacerItem()->changeSize(0, s.titleGap, QSizePolicy::Fixed, QSizePolicy::Fixed);
    column->itemAt(3)->spacerItem()->changeSize(0, s.buttonGap, QSizePolicy::Fixed, QSizePolicy::Fixed);
    alertTitle->setFixedHeight(wrappedHeight(alertTitle->font(), alertTitle->text(), kTextWidth));
    alertMessage->setFixedHeight(wrappedHeight(alertMessage->font(), alertMessage->text(), kTextWidth));
    const int buttonHeight = wrappedHeight(primaryButton->font(), primaryButton->text(), kButtonWidth) + kButtonPadding;
    primaryButton->setFixedHeight(buttonHeight);
    secondaryButton->setFixedHeight(buttonHeight);
    column->invalidate();
}

void ProtocolsAlertViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    // From the first layout on, the sheet is as large as its laid-out texts.
    view()->adjustSize();
    setPreferredContentSize(view()->sizeHint());
}

void ProtocolsAlertViewController::configureFromConfig() {
    const ProtocolAlertConfig& c = *config;
    const int base = c.alertTitle ? kBaseHeightWithTitle : kBaseHeightWithoutTitle;
    alertTitle->setVisible(c.alertTitle.has_value());
    alertTitle->setText(QString::fromStdString(c.alertTitle.value_or("")));
    alertMessage->setText(QString::fromStdString(c.alertMessage));
    primaryButton->setText(QString::fromStdString(c.primaryButtonCTA));
    secondaryButton->setText(QString::fromStdString(c.secondaryButtonCTA.value_or("")));
    secondaryButton->setVisible(c.secondaryButtonCTA.has_value());
    setPreferredContentSize(QSize(view()->width(), contentHeight(base)));
}

int ProtocolsAlertViewController::contentHeight(int baseHeight) const {
    const auto shown = [](QLabel* label) { return label && !label->isHidden() ? label->text() : QString(); };
    return wrappedHeight(alertTitle->font(), shown(alertTitle), alertTitle->width()) +
           wrappedHeight(alertMessage->font(), alertMessage->text(), alertMessage->width()) +
           wrappedHeight(primaryButton->font(), primaryButton->text(), primaryButton->width()) + baseHeight;
}

void ProtocolsAlertViewController::close(const std::function<void()>& action) {
    // The closure outlives the sheet's end: the controller goes only once control returns.
    std::function<void()> run = action;
    dismiss(this);
    if (run) run();
}

void ProtocolsAlertViewController::primaryActionTapped() {
    close(config ? config->primaryButtonAction : std::function<void()>());
}

void ProtocolsAlertViewController::secondaryActionTapped() {
    close(config ? config->secondaryButtonAction : std::function<void()>());
}

void ProtocolsAlertViewController::applyLook() {
    const appkit::Appearance look = appkit::Application::shared().effectiveAppearance();
    const auto hex = [look](std::string_view name, QColor fallback) { return appkit::colorNamed(name, look, fallback).name(QColor::HexArgb); };
    view()->setStyleSheet(
        QStringLiteral("#ProtocolsAlertView { background: %1; border-radius: 10px; }"
                       "#alertTitle { color: %2; } #alertMessage { color: %3; }"
                       "#primaryButton { background: %4; color: %5; border: none; border-radius: 8px; }"
                       "#secondaryButton { background: %6; color: %7; border: 1px solid %8; border-radius: 8px; }")
            .arg(hex("PopupBGColorNew", Qt::white), hex("PopupTitleColor", Qt::black), hex("PopupContentColor", Qt::darkGray),
                 hex("PopupOKButtonBGColor", Qt::blue), hex("PopupOKTextColorNew", Qt::white),
                 hex("PopupCancelButtonBGColor", Qt::transparent), hex("PopupCancelTextColor", Qt::blue),
                 hex("PopupButtonBorderColor", Qt::lightGray)));
}

}  // namespace morvex
