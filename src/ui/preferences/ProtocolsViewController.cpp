#include "ui/preferences/ProtocolsViewController.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/PopupManager.h"
#include "ui/kit/ThemedColor.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ExtensionManager.h"

namespace morvex {

namespace {

constexpr const char* kImageProperty = "imageName";
// The help article for a failed extension installation.
constexpr std::string_view kExtensionHelpPath = "/morvexvpn/ukp.aspx?donelr=1";

// The pop-up's protocols, in order, with their tags.
constexpr std::array<std::pair<VPNProtocol, int>, 4> kOffered{
    {{VPNProtocol::IKEv2, 1}, {VPNProtocol::IPSec, 2}, {VPNProtocol::UDP, 3}, {VPNProtocol::WireGuard, 4}}};

void setImage(QAbstractButton* button, std::string_view name) {
    if (!button) return;
    button->setIcon(appkit::imageNamed(name));
    button->setProperty(kImageProperty, QString::fromLatin1(name.data(), qsizetype(name.size())));
}

// A protocol by its display title; a title that names none gives IPSec.
VPNProtocol protocolTitled(std::string_view text) { return vpnProtocolFromTitle(text).value_or(VPNProtocol::IPSec); }

// The first "%@" or "%d" of a localized format replaced by `argument`.
std::string formatted(std::string format, std::string_view placeholder, const std::string& argument) {
    if (auto at = format.find(placeholder); at != std::string::npos) format.replace(at, placeholder.size(), argument);
    return format;
}

QLabel* label(const std::string& text, int points, QWidget* parent, QFont::Weight weight = QFont::Normal) {
    auto* l = new QLabel(QString::fromStdString(text), parent);
    l->setFont(systemFont(points, weight));
    return l;
}

QToolButton* imageButton(QWidget* parent, QSize iconSize) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIconSize(iconSize);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; padding: 0; }"));
    return b;
}

// Shows the top of its one content view, which keeps its own height: folding the host hides the
// content's lower rows instead of squeezing them together.
class ClipHost : public QWidget {
public:
    explicit ClipHost(QWidget* parent) : QWidget(parent) {}
    QWidget* content = nullptr;
    QSize sizeHint() const override { return content ? QSize(content->sizeHint().width(), height()) : QWidget::sizeHint(); }
    QSize minimumSizeHint() const override { return QSize(content ? content->minimumSizeHint().width() : 0, 0); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (content) content->setGeometry(0, 0, width(), content->height());
    }
};

ProtocolsViewController::Hooks completed(ProtocolsViewController::Hooks hooks, ProtocolsModel& model) {
    if (!hooks.activateExtension) {
        hooks.activateExtension = [] {
            // The engine is set up before the SDK is asked; the SDK picks the extension.
            [[maybe_unused]] Zevu engine = MorvexVPNService::makeZevu();
            zevu::ExtensionManager::shared().activate(std::nullopt);
        };
    }
    if (!hooks.runRebootScript)
        hooks.runRebootScript = [](const std::string& path) { QProcess::startDetached(QStringLiteral("/bin/sh"), {QString::fromStdString(path)}); };
    if (!hooks.confirmReboot)
        hooks.confirmReboot = [](std::function<void()> restart) {
            PopupManager::shared().showPopup(localized("protocol.system.extension.reboot.confirm.title"),
                                             localized("protocol.system.extension.reboot.confirm.message"),
                                             localized("protocol.system.extension.reboot.confirm.button.two"),
                                             localized("protocol.system.extension.reboot.confirm.button.one"),
                                             PopupManager::Colors::named(), {}, std::move(restart));
        };
    if (!hooks.openURL) hooks.openURL = [](const std::string& url) { appkit::Workspace::shared().openURL(url); };
    if (!hooks.vpnStatus)
        hooks.vpnStatus = [&model] { return model.zevu.zevuManager ? model.zevu.zevuManager->getCurrentVPNStatus() : 0; };
    if (!hooks.askAutomaticOff)
        hooks.askAutomaticOff = [](std::function<void()> turnOff, std::function<void()> keepOn) {
            PopupManager::shared().showAutomaticProtocolDisable(std::move(turnOff), std::move(keepOn));
        };
    if (!hooks.askFallbackOff)
        hooks.askFallbackOff = [](std::function<void()> turnOff, std::function<void()> keepOn) {
            PopupManager::shared().showFallbackDisableWarning(std::move(turnOff), std::move(keepOn));
        };
    return hooks;
}

}  // namespace

QColor ProtocolsViewController::optionColor(bool manual) { return QColor::fromRgbF(0.263f, 0.133f, 0.375f, manual ? 1.0f : 0.3f); }

ProtocolsViewController::ProtocolsViewController(QObject* parent)
    : ProtocolsViewController(std::make_unique<ProtocolsModel>(PreservedPreferences(), AppPreferences(), MorvexVPNService::makeZevu(),
                                                   MorvexVPNService::makeEventTracker()), Hooks{}, parent) {}

ProtocolsViewController::ProtocolsViewController(std::unique_ptr<ProtocolsModel> model, Hooks hooks, QObject* parent)
    : ViewController(parent), model_(std::move(model)), hooks_(completed(std::move(hooks), *model_)) {
    model_->isProtocolChanged = true;
}

ProtocolsViewController::~ProtocolsViewController() {
    observers_.clear();
    model_->delegate = nullptr;
    for (QPointer<QVariantAnimation>* running : {&manualAnimation_, &extensionAnimation_})
        if (*running) (*running)->stop();
}

std::string ProtocolsViewController::imageName(const QAbstractButton* button) {
    return button ? button->property(kImageProperty).toString().toStdString() : std::string();
}

// ---- key-value properties

const std::vector<std::string>& ProtocolsViewController::protocolsList() {
    static const std::vector<std::string> list{"IKEv2", "IKEv2", "IPSec", "WireGuard", "UDP"};
    return list;
}

std::string ProtocolsViewController::selectedProtocols() const {
    return std::string(title(model_->preservedPreference.selectedProtocol()));
}

void ProtocolsViewController::setSelectedProtocols(const std::optional<std::string>& text) {
    model_->preservedPreference.setSelectedProtocol(protocolTitled(text.value_or("")));
}

bool ProtocolsViewController::automaticProtocol() const { return model_->preservedPreference.automaticProtocol(); }

void ProtocolsViewController::setAutomaticProtocol(bool automatic) {
    model_->preservedPreference.setAutomaticProtocol(automatic);
    refreshOptionColors();
}

bool ProtocolsViewController::connectToFallback() const { return model_->preservedPreference.connectToFallback(); }

void ProtocolsViewController::setConnectToFallback(bool on) {
    setImage(btnConnectToFallback, on ? "toggle_switch_on" : "toggle_switch_off");
    if (btnConnectToFallback) btnConnectToFallback->setChecked(on);
    if (lblStatusFallback) lblStatusFallback->setText(QString::fromStdString(localized(on ? "switch.on" : "switch.off")));
    model_->preservedPreference.setConnectToFallback(on);
}

// ---- view

void ProtocolsViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ProtocolsView"));
    view->setAttribute(Qt::WA_StyledBackground, true);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(24, 16, 24, 20);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    backButton = new QPushButton(appkit::imageNamed("PreferencesBackArrow"), QString::fromStdString(localized("preferences.page.back")), view);
    backButton->setObjectName(QStringLiteral("ProtocolsBack"));
    backButton->setFlat(true);
    backButton->setCursor(Qt::PointingHandCursor);
    backButton->setFocusPolicy(Qt::NoFocus);
    connect(backButton, &QPushButton::clicked, this, [this] { onBack(); });
    header->addWidget(backButton);
    auto* title = label(localized("protocol.page.title"), 20, view, QFont::Bold);
    title->setObjectName(QStringLiteral("ProtocolsTitle"));
    header->addWidget(title);
    header->addStretch(1);
    column->addLayout(header);

    auto* card = new QWidget(view);
    card->setObjectName(QStringLiteral("ProtocolsCard"));
    card->setAttribute(Qt::WA_StyledBackground, true);
    auto* cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(20, 16, 20, 12);
    cardColumn->setSpacing(8);

    // Automatic.
    viewAutomatic = new QWidget(card);
    auto* automaticGrid = new QGridLayout(viewAutomatic);
    automaticGrid->setContentsMargins(0, 0, 0, 0);
    automaticGrid->setHorizontalSpacing(10);
    automaticGrid->setVerticalSpacing(2);
    btnAutomatic2 = imageButton(viewAutomatic, QSize(16, 16));
    btnAutomatic2->setObjectName(QStringLiteral("btnAutomatic2"));
    connect(btnAutomatic2, &QToolButton::clicked, this, [this] { automaticValueChanged(); });
    automaticGrid->addWidget(btnAutomatic2, 0, 0);
    automaticGrid->addWidget(label(localized("protocol.page.automatic.title"), 14, viewAutomatic, QFont::Medium), 0, 1);
    auto* automaticDetails = label(localized("protocol.page.automatic.details"), 13, viewAutomatic);
    automaticDetails->setObjectName(QStringLiteral("ProtocolsDetails"));
    automaticDetails->setWordWrap(true);
    automaticGrid->addWidget(automaticDetails, 1, 1);
    automaticGrid->setColumnStretch(1, 1);
    cardColumn->addWidget(viewAutomatic);

    auto* rule = new QWidget(card);
    rule->setObjectName(QStringLiteral("ProtocolsRule"));
    rule->setAttribute(Qt::WA_StyledBackground, true);
    rule->setFixedHeight(1);
    cardColumn->addWidget(rule);

    // Manual: its header and details show when collapsed; the protocol and the fallback below.
    auto* manualHost = new ClipHost(card);
    viewManual = manualHost;
    viewManual->setFixedHeight(manualHeight_);
    auto* manualContent = new QWidget(manualHost);
    manualHost->content = manualContent;
    manualContent->setFixedHeight(kManualExpandedHeight);
    auto* manualColumn = new QVBoxLayout(manualContent);
    manualColumn->setContentsMargins(0, 0, 0, 0);
    manualColumn->setSpacing(0);
    auto* manualHeader = new QHBoxLayout;
    manualHeader->setSpacing(10);
    btnManual2 = imageButton(manualContent, QSize(16, 16));
    btnManual2->setObjectName(QStringLiteral("btnManual2"));
    connect(btnManual2, &QToolButton::clicked, this, [this] { manualValueChanged(); });
    manualHeader->addWidget(btnManual2);
    manualHeader->addWidget(label(localized("protocol.page.manual.title"), 14, viewManual, QFont::Medium));
    manualHeader->addStretch(1);
    lblSelectedProtocol = label("", 13, viewManual, QFont::Medium);
    lblSelectedProtocol->setObjectName(QStringLiteral("lblSelectedProtocol"));
    manualHeader->addWidget(lblSelectedProtocol);
    manualColumn->addLayout(manualHeader);
    auto* manualDetails = label(localized("protocol.page.manual.details"), 13, manualContent);
    manualDetails->setObjectName(QStringLiteral("ProtocolsDetails"));
    const int indent = btnManual2->sizeHint().width() + 10;
    manualDetails->setContentsMargins(indent, 2, 0, 0);
    manualColumn->addWidget(manualDetails);
    manualColumn->addSpacing(22);

    auto* protocolRow = new QHBoxLayout;
    protocolRow->setContentsMargins(indent, 0, 0, 0);
    auto* protocolLabel = label(localized("protocol.page.selected.title"), 13, manualContent);
    protocolRow->addWidget(protocolLabel);
    protocolRow->addStretch(1);
    protocolsDropDown = new QComboBox(manualContent);
    protocolsDropDown->setObjectName(QStringLiteral("protocolsDropDown"));
    protocolsDropDown->setFixedSize(160, 28);
    protocolsDropDown->setFocusPolicy(Qt::NoFocus);
    protocolRow->addWidget(protocolsDropDown);
    manualColumn->addLayout(protocolRow);
    manualColumn->addSpacing(2);

    viewFallback = new QWidget(manualContent);
    auto* fallbackRow = new QHBoxLayout(viewFallback);
    fallbackRow->setContentsMargins(indent, 0, 0, 0);
    fallbackRow->setSpacing(8);
    auto* fallbackLabel = label(localized("protocol.page.fallback.title"), 13, viewFallback);
    fallbackLabel->setWordWrap(true);  // the German text takes two lines beside the switch
    fallbackRow->addWidget(fallbackLabel, 1);
    lblStatusFallback = label("", 13, viewFallback);
    lblStatusFallback->setObjectName(QStringLiteral("lblStatusFallback"));
    fallbackRow->addWidget(lblStatusFallback);
    btnConnectToFallback = imageButton(viewFallback, QSize(40, 24));
    btnConnectToFallback->setObjectName(QStringLiteral("btnConnectToFallback"));
    btnConnectToFallback->setCheckable(true);
    connect(btnConnectToFallback, &QToolButton::clicked, this, [this] { fallbackValueChanged(); });
    fallbackRow->addWidget(btnConnectToFallback);
    manualColumn->addWidget(viewFallback);
    manualColumn->addStretch(1);
    cardColumn->addWidget(viewManual);
    optionLabels_ = {lblSelectedProtocol, protocolLabel, fallbackLabel, lblStatusFallback};
    column->addWidget(card);

    // The system extension's pending step.
    viewSystemExtension = new QWidget(view);
    viewSystemExtension->setObjectName(QStringLiteral("viewSystemExtension"));
    viewSystemExtension->setAttribute(Qt::WA_StyledBackground, true);
    viewSystemExtension->setFixedHeight(extensionHeight_);
    auto* extensionRow = new QHBoxLayout(viewSystemExtension);
    extensionRow->setContentsMargins(16, 10, 16, 10);
    extensionRow->setSpacing(12);
    systemExtensionMessage = label("", 13, viewSystemExtension);
    systemExtensionMessage->setObjectName(QStringLiteral("systemExtensionMessage"));
    systemExtensionMessage->setWordWrap(true);
    extensionRow->addWidget(systemExtensionMessage, 1);
    systemExtensionButton = new QPushButton(viewSystemExtension);
    systemExtensionButton->setObjectName(QStringLiteral("systemExtensionButton"));
    systemExtensionButton->setFont(systemFont(13));
    systemExtensionButton->setMinimumSize(126, 30);
    systemExtensionButton->setCursor(Qt::PointingHandCursor);
    systemExtensionButton->setFocusPolicy(Qt::NoFocus);
    extensionRow->addWidget(systemExtensionButton);
    column->addWidget(viewSystemExtension);
    column->addStretch(1);
    setView(view);
    setPreferredContentSize(QSize(560, 420));

    // What the scene binds: the panel's texts and the option texts' colour.
    bindings_.push_back(systemExtensionErrorMessage.observe(
        [this](const std::string& text) {
            if (systemExtensionMessage) systemExtensionMessage->setText(QString::fromStdString(text));
        },
        true));
    bindings_.push_back(systemExtensionButtonTitle.observe(
        [this](const std::string& text) {
            if (systemExtensionButton) systemExtensionButton->setText(QString::fromStdString(text));
        },
        true));
    bindings_.push_back(colorsProtocolsOptionLabel.observe([this](const QColor&) { applyOptionColor(); }, false));
    applyLook();
}

void ProtocolsViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(PreservedPreferences::preferencesRefreshedNotification,
                                            [this](const Notification&) { preferencesCleared(); }));
    connect(systemExtensionButton, &QPushButton::clicked, this, [this] {
        if (extensionAction_) extensionAction_();
    });
    model_->delegate = this;
    // The SDK's extension delegate reports from its own thread, and the stores announce a status
    // before they write it: the panel reads it from the main queue.
    observers_.push_back(center.addObserver(AppPreferences::extensionStatusChangedNotification, [this](const Notification&) {
        QMetaObject::invokeMethod(this, [this] { updateSystemExtensionView(); }, Qt::QueuedConnection);
    }));
    connect(protocolsDropDown, &QComboBox::activated, this, [this](int) { protocolSelectionChanged(); });
    backButton->setVisible(showsBackButton);
    refreshProtocolMode();
}

void ProtocolsViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    backButton->setVisible(showsBackButton);
    // Automatic or manual as stored now: another page or clearing may have changed it.
    refreshProtocolMode();
    setConnectToFallback(connectToFallback());
    updateSystemExtensionView();
    refreshOptionColors();
    reloadProtocolsDropDown();
    applyLook();
}

void ProtocolsViewController::applyLook() {
    // The look of the window the page is in.
    const appkit::Appearance look = effectiveAppearance(view());
    const auto hex = [look](std::string_view name, QColor fallback) { return appkit::colorNamed(name, look, fallback).name(QColor::HexArgb); };
    view()->setStyleSheet(
        QStringLiteral("#ProtocolsView { background: %1; } QLabel { color: %2; } #ProtocolsDetails { color: %3; }"
                       "#ProtocolsCard { background: %4; border-radius: 12px; } #ProtocolsRule { background: %5; }"
                       "#viewSystemExtension { background: %4; border: 1px solid %5; border-left: 3px solid %6; border-radius: 12px; }"
                       "#systemExtensionMessage { color: %2; }"
                       "#systemExtensionButton { background: %7; color: %8; border: none; border-radius: 8px; padding: 4px 12px; }"
                       "#ProtocolsBack { color: %7; border: none; font-size: 13px; padding: 2px 4px; text-align: left; }"
                       "QComboBox { color: %2; background: %1; border: 1px solid %5; border-radius: 6px; padding: 2px 8px; }"
                       "QComboBox::drop-down { border: none; width: 22px; }"
                       "QComboBox::down-arrow { image: url(%9); width: 12px; height: 12px; }"
                       "QComboBox QAbstractItemView { color: %2; background: %4; selection-background-color: %7; }")
            .arg(hex("WindowBackground", Qt::white), hex("HeadingText", Qt::black), hex("TabText", Qt::gray),
                 hex("BottomColor", Qt::white), hex("Separator", Qt::lightGray), hex("ThemeColor", Qt::blue),
                 hex("ThemeColor", Qt::blue), hex("PopupOKTextColorNew", Qt::white))
            .arg(QString::fromStdString(Bundle::main().pathForResource("arrow_detail_down", "svg", "Images").value_or("").string())));
    applyOptionColor();
}

void ProtocolsViewController::applyOptionColor() {
    // The plum of the option texts reads only on a light ground; on a dark one the heading colour
    // takes its place, at the same strength.
    QColor shown = colorsProtocolsOptionLabel.value();
    if (isViewLoaded() && effectiveAppearance(view()) == appkit::Appearance::DarkAqua) {
        const qreal alpha = shown.alphaF();
        shown = appkit::colorNamed("HeadingText", appkit::Appearance::DarkAqua, Qt::white);
        shown.setAlphaF(alpha);
    }
    // Faded, the options do not apply (automatic mode): they are disabled texts, not body text.
    for (QLabel* l : optionLabels_) {
        if (!l) continue;
        l->setStyleSheet(QStringLiteral("color: %1;").arg(shown.name(QColor::HexArgb)));
        l->setEnabled(shown.alphaF() >= 1.0);
    }
}

// ---- modes

void ProtocolsViewController::refreshProtocolMode() {
    if (!automaticProtocol()) {
        setImage(btnAutomatic2, "sortRadioUnselected");
        setImage(btnManual2, "radioActive");
        setManualSectionVisible(true);
        viewSystemExtension->setHidden(systemExtensionInstalled.value());
    } else {
        setImage(btnAutomatic2, "radioActive");
        setManualSectionVisible(false);
        setImage(btnManual2, "sortRadioUnselected");
        viewSystemExtension->setHidden(true);
    }
}

void ProtocolsViewController::refreshOptionColors() {
    const bool manual = !automaticProtocol();
    colorsProtocolsOptionLabel.set(optionColor(manual));
    if (viewSystemExtension) viewSystemExtension->setHidden(!manual || systemExtensionInstalled.value());
}

void ProtocolsViewController::animateHeight(int& height, QPointer<QVariantAnimation>& running, int to,
                                            std::function<void()> done) {
    if (running) running->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(height);
    animation->setEndValue(to);
    int* target = &height;
    QWidget* view = target == &manualHeight_ ? viewManual.data() : viewSystemExtension.data();
    QPointer<QWidget> guarded(view);
    connect(animation, &QVariantAnimation::valueChanged, this, [target, guarded](const QVariant& value) {
        *target = value.toInt();
        if (guarded) guarded->setFixedHeight(*target);
    });
    connect(animation, &QAbstractAnimation::finished, this, [target, guarded, to, done = std::move(done)] {
        *target = to;
        if (guarded) guarded->setFixedHeight(to);
        if (done) done();
    });
    running = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ProtocolsViewController::setManualSectionVisible(bool visible) {
    if (visible) {
        animateHeight(manualHeight_, manualAnimation_, kManualExpandedHeight, [this] {
            if (viewFallback) viewFallback->setHidden(false);
        });
    } else {
        if (viewFallback) viewFallback->setHidden(true);
        animateHeight(manualHeight_, manualAnimation_, kManualCollapsedHeight);
    }
}

void ProtocolsViewController::showAutomatic() {
    setImage(btnAutomatic2, "radioActive");
    setManualSectionVisible(false);
    setImage(btnManual2, "sortRadioUnselected");
    setAutomaticProtocol(true);
}

void ProtocolsViewController::automaticValueChanged() {
    if (automaticProtocol()) return;
    if (hooks_.vpnStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) {
        // Nothing changes until the reconnect question is answered.
        model_->confirmProtocolChange(model_->preservedPreference.selectedProtocol(),
                                      [this, alive = QPointer<ProtocolsViewController>(this)](bool accepted) {
                                          if (alive) applyAutomaticChoice(accepted);
                                      });
        return;
    }
    showAutomatic();
}

void ProtocolsViewController::applyAutomaticChoice(bool accepted) {
    if (accepted) {
        showAutomatic();
        return;
    }
    setImage(btnAutomatic2, "sortRadioUnselected");
    setImage(btnManual2, "radioActive");
    setAutomaticProtocol(false);
    setManualSectionVisible(true);
}

void ProtocolsViewController::manualValueChanged() {
    if (!automaticProtocol()) return;
    QPointer<ProtocolsViewController> page(this);
    hooks_.askAutomaticOff([page] { if (page) page->switchToManual(); },
                           [page] { if (page) page->stayAutomatic(); });
}

void ProtocolsViewController::switchToManual() {
    setImage(btnAutomatic2, "sortRadioUnselected");
    setImage(btnManual2, "radioActive");
    setAutomaticProtocol(false);
    setManualSectionVisible(true);
}

void ProtocolsViewController::stayAutomatic() {
    setImage(btnAutomatic2, "radioActive");
    setManualSectionVisible(false);
    setImage(btnManual2, "sortRadioUnselected");
    btnManual2->setEnabled(true);
    setAutomaticProtocol(true);
}

void ProtocolsViewController::preferencesCleared() {
    model_->preservedPreference.setAutomaticProtocol(true);
    refreshProtocolMode();
}

// ---- the protocol

void ProtocolsViewController::onProtocolsDropDown() { protocolsDropDown->showPopup(); }

void ProtocolsViewController::reloadProtocolsDropDown() {
    const VPNProtocol stored = model_->preservedPreference.selectedProtocol();
    lblSelectedProtocol->setText(QString::fromLatin1(title(stored).data(), qsizetype(title(stored).size())));
    QSignalBlocker quiet(protocolsDropDown);
    protocolsDropDown->clear();
    for (const auto& [protocol, tag] : kOffered)
        protocolsDropDown->addItem(QString::fromLatin1(title(protocol).data(), qsizetype(title(protocol).size())), tag);
    protocolsDropDown->setPlaceholderText(lblSelectedProtocol->text());
    // A stored TCP is offered by no item and leaves the pop-up without a selection.
    protocolsDropDown->setCurrentIndex(protocolsDropDown->findText(lblSelectedProtocol->text()));
}

void ProtocolsViewController::protocolSelectionChanged() {
    const int index = protocolsDropDown->currentIndex();
    if (index < 0) return;
    const int tag = protocolsDropDown->itemData(index).toInt();
    model_->selectProtocol(protocolTitled(protocolsDropDown->currentText().toStdString()));
    // The pop-up keeps the clicked item while a reconnect question is pending.
    QTimer::singleShot(0, this, [this, tag] {
        if (const int at = protocolsDropDown->findData(tag); at >= 0) protocolsDropDown->setCurrentIndex(at);
        view()->updateGeometry();
        if (view()->layout()) view()->layout()->activate();
    });
}

void ProtocolsViewController::changeSelection(const std::string& senderTitle) {
    model_->selectProtocol(protocolTitled(senderTitle));
}

void ProtocolsViewController::selectedProtocolChanged(VPNProtocol protocol) {
    const QString shown = QString::fromLatin1(title(protocol).data(), qsizetype(title(protocol).size()));
    protocolsDropDown->setCurrentIndex(protocolsDropDown->findText(shown));
    const VPNProtocol stored = model_->preservedPreference.selectedProtocol();
    protocolsDropDown->setPlaceholderText(QString::fromLatin1(title(stored).data(), qsizetype(title(stored).size())));
    model_->preservedPreference.setSelectedProtocol(protocol);
    lblSelectedProtocol->setText(shown);
}

std::shared_ptr<AlertWindow> ProtocolsViewController::alertWindow() const {
    appkit::Window* w = window();
    return w ? QtAlertPresenter::alertWindow(w) : nullptr;
}

void ProtocolsViewController::onBack() {
    NotificationCenter::defaultCenter().post(kDismissProtocolsViewControllerNotification);
}

// ---- fallback

void ProtocolsViewController::fallbackValueChanged() {
    if (btnConnectToFallback->isChecked()) {
        setConnectToFallback(true);
        model_->selectProtocol(model_->preservedPreference.selectedProtocol());
        return;
    }
    btnConnectToFallback->setChecked(false);
    setConnectToFallback(false);
    if (!window()) return;
    QPointer<ProtocolsViewController> page(this);
    hooks_.askFallbackOff([page] { if (page) page->applyFallbackChoice(false, false); },
                          [page] { if (page) page->applyFallbackChoice(true, true); });
}

void ProtocolsViewController::applyFallbackChoice(bool switchOn, bool enabled) {
    btnConnectToFallback->setChecked(switchOn);
    setConnectToFallback(enabled);
    model_->selectProtocol(model_->preservedPreference.selectedProtocol());
}

// ---- the system extension

void ProtocolsViewController::updateSystemExtensionView() {
    const SystemExtensionStatus status = model_->systemExtensionStatus();
    const AppPreferences& stores = model_->appPreferences;
    const bool installed = status == SystemExtensionStatus::Activated;
    systemExtensionInstalled.set(installed);
    switch (status) {
    case SystemExtensionStatus::NotRecorded:
        systemExtensionErrorMessage.set(formatted(localized("protocol.system.extension.not.installed.message"), "%@",
                                                  selectedProtocols()));
        systemExtensionButtonTitle.set(localized("protocol.system.extension.not.installed.button.title"));
        extensionAction_ = [this] { extensionInstallationAction(); };
        break;
    case SystemExtensionStatus::Activated:
        systemExtensionErrorMessage.set("");
        systemExtensionButtonTitle.set("");
        break;
    case SystemExtensionStatus::OtherCompletion:
        systemExtensionErrorMessage.set(localized("protocol.system.extension.reboot.required.message"));
        systemExtensionButtonTitle.set(localized("protocol.system.extension.reboot.required.button.title"));
        extensionAction_ = [this] { extensionRebootRequiredAction(); };
        break;
    case SystemExtensionStatus::AwaitingApproval:
        systemExtensionErrorMessage.set(localized("protocol.system.extension.user.approval.message"));
        systemExtensionButtonTitle.set(localized("protocol.system.extension.user.approval.button.title"));
        extensionAction_ = [this] { extensionApprovalAction(); };
        break;
    case SystemExtensionStatus::Failed: {
        std::int64_t code = 0;
        if (stores.openVPNSystemExtensionStatus() == SystemExtensionStatus::Failed)
            code = stores.defaults().integer(AppPreferences::Key::openVPNSystemExtensionErrorCode);
        else if (stores.wgSystemExtensionStatus() == SystemExtensionStatus::Failed)
            code = stores.defaults().integer(AppPreferences::Key::wgSystemExtensionErrorCode);
        systemExtensionErrorMessage.set(formatted(localized("protocol.system.extension.error.message"), "%d", std::to_string(code)));
        systemExtensionButtonTitle.set(localized("protocol.system.extension.error.button.title"));
        extensionAction_ = [this] { extensionErrorAction(); };
        break;
    }
    }
    if (installed) {
        QTimer::singleShot(0, this, [this] { animateHeight(extensionHeight_, extensionAnimation_, 0); });
    } else if (extensionHeight_ != kSystemExtensionHeight) {
        // A step is pending again (an installed extension failed later): the panel comes back.
        animateHeight(extensionHeight_, extensionAnimation_, kSystemExtensionHeight);
    }
    if (viewSystemExtension) viewSystemExtension->setHidden(automaticProtocol() || installed);
}

void ProtocolsViewController::extensionInstallationAction() { hooks_.activateExtension(); }

void ProtocolsViewController::extensionRebootRequiredAction() {
    // Without the script there is nothing to run; its failure is the desktop's to report. The
    // script may end in a plain restart with no question of the desktop's, so the user confirms
    // here first.
    auto script = Bundle::main().pathForResource("reboot", "sh");
    if (!script) return;
    QPointer<ProtocolsViewController> page(this);
    hooks_.confirmReboot([page, path = script->string()] {
        if (page) page->hooks_.runRebootScript(path);
    });
}

void ProtocolsViewController::extensionApprovalAction() { performSegue(systemExtensionSegue); }

void ProtocolsViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any&) {
    if (segue.identifier() != systemExtensionSegue) return;
    auto* alert = qobject_cast<ProtocolsAlertViewController*>(segue.destinationController());
    if (!alert) return;
    alert->config = ProtocolAlertConfig{localized("system.extension.install.title"), localized("system.extension.install.details"),
                                        localized("system.extension.install.primary.button.title"), std::nullopt, {}, {}};
}

void ProtocolsViewController::extensionErrorAction() {
    hooks_.openURL(webLinkWithQueryItems(WebHosts::helpSite() + std::string(kExtensionHelpPath)));
    const bool openVPNFailed = model_->appPreferences.openVPNSystemExtensionStatus() == SystemExtensionStatus::Failed;
    model_->trackExtensionLiveChat(openVPNFailed ? "OVPN" : "WireGuard", MorvexVPNService::makeEventTracker());
}

}  // namespace morvex
