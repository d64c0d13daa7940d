#include "ui/dashboard/ConnectionDetailController.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "viewmodels/MainTab.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/kit/AddonDialog.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/shell/Router.h"
#include "viewmodels/MainThreadObserver.h"

namespace morvex {

namespace {

QLabel* label(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(dashboard::font(size, weight));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, dashboard::color(colour));
    l->setPalette(p);
    return l;
}

QPushButton* linkButton(const char* name, const std::string& key, QWidget* parent) {
    auto* b = new QPushButton(QString::fromStdString(localized(key)), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFont(dashboard::font(13, QFont::Medium));
    b->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 2px 0; text-align: left; }")
                         .arg(dashboard::color("ThemeColor").name()));
    return b;
}

}  // namespace

ConnectionDetailController::ConnectionDetailController(ConnectionDetailModel::Collaborators c, QObject* parent)
    : ViewController(parent), model_(new ConnectionDetailModel(std::move(c), this)) {}

ConnectionDetailController::~ConnectionDetailController() {
    observers_.clear();
    bindings_.clear();
}

void ConnectionDetailController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionDetailView"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(QStringLiteral("#ConnectionDetailView { background: %1; border: 1px solid %2; border-top-left-radius: 12px;"
                                       " border-top-right-radius: 12px; }")
                            .arg(dashboard::color("BottomColor").name(), dashboard::color("Separator").name()));
    view->setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(18, 12, 18, 12);
    column->setSpacing(6);

    auto* header = new QHBoxLayout;
    auto* title = label("lblConnectionDetails", view, 14, QFont::DemiBold, "HeadingText");
    title->setText(QString::fromStdString(localized("connection.details.title")));
    buttonArrow_ = new QPushButton(view);
    buttonArrow_->setObjectName(QStringLiteral("buttonArrow"));
    buttonArrow_->setAccessibleName(QStringLiteral("btn_close_connection_details"));
    buttonArrow_->setFlat(true);
    buttonArrow_->setCursor(Qt::PointingHandCursor);
    buttonArrow_->setIcon(appkit::imageNamed("pull_details_arrow_down"));
    buttonArrow_->setIconSize(QSize(16, 16));
    buttonArrow_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    header->addWidget(title, 1);
    header->addWidget(buttonArrow_);
    column->addLayout(header);

    // Received, sent and the port-forwarding policy side by side.
    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(14);
    figures->setVerticalSpacing(0);
    auto* inCaption = label("lblReceived", view, 11, QFont::Normal, "TabText");
    inCaption->setText(QString::fromStdString(localized("connection.details.received")));
    auto* outCaption = label("lblSent", view, 11, QFont::Normal, "TabText");
    outCaption->setText(QString::fromStdString(localized("connection.details.sent")));
    auto* pfCaption = label("lblPortForwarding", view, 11, QFont::Normal, "TabText");
    pfCaption->setText(QString::fromStdString(localized("connection.details.port.forwarding")));
    dataIn_ = label("dataIn", view, 15, QFont::DemiBold, "HeadingText");
    dataOut_ = label("dataOut", view, 15, QFont::DemiBold, "HeadingText");
    portForwarding_ = label("portForwardingStatus", view, 13, QFont::Medium, "HeadingText");
    portForwarding_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    retry_ = linkButton("retryButton", "connection.details.retry", view);
    auto* pfValue = new QHBoxLayout;
    pfValue->setSpacing(6);
    pfValue->addWidget(portForwarding_, 1);
    pfValue->addWidget(retry_);
    figures->addWidget(inCaption, 0, 0);
    figures->addWidget(outCaption, 0, 1);
    figures->addWidget(pfCaption, 0, 2);
    figures->addWidget(dataIn_, 1, 0);
    figures->addWidget(dataOut_, 1, 1);
    figures->addLayout(pfValue, 1, 2);
    figures->setColumnStretch(2, 1);
    column->addLayout(figures);

    auto* actions = new QHBoxLayout;
    dedicatedIp_ = linkButton("buyDedicatedIpButton", "connection.details.dedicated.ip", view);
    preferences_ = linkButton("showPreferencesButton", "connection.details.preferences", view);
    buyPortForwarding_ = linkButton("buyPortForwardingButton", "connection.details.port.forwarding", view);
    actions->addWidget(dedicatedIp_);
    actions->addSpacing(12);
    actions->addWidget(buyPortForwarding_);
    actions->addStretch(1);
    actions->addWidget(preferences_);
    column->addLayout(actions);

    connect(buttonArrow_, &QPushButton::clicked, this, [this] {
        if (onClose) onClose();
    });
    connect(retry_, &QPushButton::clicked, this, [this] { model_->retry(); });
    connect(dedicatedIp_, &QPushButton::clicked, this, [this] { buyDedicatedIpButtonClicked(); });
    connect(preferences_, &QPushButton::clicked, this, [this] { showPreferencesScreen(); });
    connect(buyPortForwarding_, &QPushButton::clicked, this, [this] { buyPortForwardingButtonClicked(); });
    view->adjustSize();
    setView(view);
}

void ConnectionDetailController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto traffic = [this](const std::string&) {
        dataIn_->setText(QStringLiteral("%1 %2").arg(QString::fromStdString(model_->dataIn.value()),
                                                     QString::fromStdString(model_->dataInUnit.value())));
        dataOut_->setText(QStringLiteral("%1 %2").arg(QString::fromStdString(model_->dataOut.value()),
                                                      QString::fromStdString(model_->dataOutUnit.value())));
    };
    for (auto* o : {&model_->dataIn, &model_->dataOut, &model_->dataInUnit, &model_->dataOutUnit})
        bindings_.push_back(o->observe(traffic, true));
    auto pf = [this](const auto&) { renderPortForwarding(); };
    bindings_.push_back(model_->portForwardingStatus.observe(pf));
    bindings_.push_back(model_->portForwardingStatusUpdated.observe(pf));
    bindings_.push_back(model_->loadingPortForwardingStatus.observe(pf));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::transmittedPacketsNotification, this, [this](const Notification& n) {
        if (const auto* totals = n.objectAs<ZevuTypes::DataTransmission>()) model_->applyTraffic(*totals);
    }));
    model_->loadPortForwardingStatus();
    renderPortForwarding();
}

void ConnectionDetailController::renderPortForwarding() {
    if (!portForwarding_) return;
    const bool loading = model_->loadingPortForwardingStatus.value();
    const bool updated = model_->portForwardingStatusUpdated.value();
    portForwarding_->setText(loading ? QStringLiteral("…") : QString::fromStdString(model_->portForwardingStatus.value()));
    // A retry is offered only when the last attempt could not reach the service.
    retry_->setVisible(!loading && !updated);
}

void ConnectionDetailController::buyDedicatedIpButtonClicked() {
    if (PreservedPreferences().dedicatedServer()) return Alert().showDedicatedIPInfo();
    model_->eventTracker().track(AnalyticsEvent::app_click_addon_details,
                                 Dictionary{{"selected_interface_screen", "Dashboard"},
                                            {"selected_interface", "connection_details"},
                                            {"addon", "Dedicated IP"}});
    QPointer<ConnectionDetailModel> model(model_);
    openAddonDialog(ConnectionDetailModel::addonDetailsLink("dedicated-ip"), [model] {
        if (model) model->getAddon("Dedicated IP", "/applinks/addons");
    });
}

void ConnectionDetailController::buyPortForwardingButtonClicked() {
    const bool holder = model_->hasPortForwardingAddon();
    model_->buyPortForwarding();
    if (holder) return;
    QPointer<ConnectionDetailModel> model(model_);
    openAddonDialog(ConnectionDetailModel::addonDetailsLink("port-forwarding"), [model] {
        if (model) model->getAddon("Port Forwarding", "/applinks/get-port-forwarding-addon");
    });
}

void ConnectionDetailController::openAddonDialog(const std::string& page, std::function<void()> onGet) {
    appkit::Window* host = window();
    if (!host) return;
    const QUrl url(QString::fromStdString(page));
    AddonDialog* dialog = makeAddonDialog ? makeAddonDialog(url) : new AddonDialog;
    if (!dialog->addonURL) dialog->addonURL = url;
    // Cancel, or a sheet ended by anything else, does nothing.
    host->beginSheet(AddonDialog::makeWindow(dialog), [onGet = std::move(onGet)](appkit::ModalResponse code) {
        if (code == AddonDialog::kGet) onGet();
    });
}

void ConnectionDetailController::showPreferencesScreen() {
    router::showTab(MainTab::Prefences);
}

}  // namespace morvex
