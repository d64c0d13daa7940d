#include "ui/kit/AddonDialog.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

#include "appkit/Colors.h"
#include "appkit/Sheet.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/HttpSession.h"

namespace morvex {

namespace {

void sharedSessionGet(const QUrl& url, std::function<void()> done) {
    http::Request request;
    request.url = url;
    request.timeoutInterval = AddonDialog::kTimeoutSeconds;
    // Whatever it answers, the page is shown next: the answer itself is not looked at.
    http::Session::shared().request(std::move(request), nullptr, false,
                                    [done = std::move(done)](const http::DataResponse&) { done(); });
}

QPushButton* sheetButton(const char* name, const std::string& key, bool primary, QWidget* parent) {
    auto* button = new QPushButton(QString::fromStdString(localized(key)), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(126, 30);
    button->setCursor(Qt::PointingHandCursor);
    const QColor blue = appkit::colorNamed("PopupOKButtonBGColor", appkit::Appearance::Aqua);
    button->setStyleSheet(primary ? QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px;"
                                                   " font-size: 13px; font-weight: 600; }")
                                        .arg(blue.name())
                                  : QStringLiteral("QPushButton { background: transparent; color: white; border: 1px solid"
                                                   " rgba(255, 255, 255, 0.45); border-radius: 8px; font-size: 13px; }"));
    return button;
}

// A sheet that shows a controller's view as its whole content and keeps the controller.
class AddonWindow : public appkit::Sheet {
public:
    explicit AddonWindow(AddonDialog* dialog) {
        setObjectName(QStringLiteral("AddonWindow"));
        dialog->setParent(this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(dialog->view());
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, appkit::colorNamed("AddonSheetBackground", appkit::Appearance::Aqua));
        setPalette(p);
        setFixedSize(AddonDialog::kSize);
    }
};

}  // namespace

AddonDialog::AddonDialog(Prefetch prefetch, QObject* parent)
    : ViewController(parent), prefetch_(prefetch ? std::move(prefetch) : Prefetch(sharedSessionGet)) {}

void AddonDialog::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("AddonDialogView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    webview_ = new appkit::WebView(view);
    webview_->setObjectName(QStringLiteral("webview"));
    column->addWidget(webview_, 1);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(20, 14, 20, 14);
    bar->setSpacing(12);
    cancel_ = sheetButton("cancelButton", "button.cancel", false, view);
    get_ = sheetButton("getButton", "addon.dialog.get", true, view);
    spinner_ = new QProgressBar(view);
    spinner_->setObjectName(QStringLiteral("loadingIndicator"));
    spinner_->setRange(0, 0);
    spinner_->setTextVisible(false);
    spinner_->setFixedSize(80, 4);
    bar->addWidget(spinner_, 0, Qt::AlignVCenter);
    bar->addStretch(1);
    bar->addWidget(cancel_);
    bar->addWidget(get_);
    column->addLayout(bar);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelClicked(); });
    connect(get_, &QPushButton::clicked, this, [this] { getClicked(); });
    setPreferredContentSize(kSize);
    setView(view);
}

void AddonDialog::viewDidLoad() {
    showsLoading_ = loading.observe([this](bool on) {
        if (spinner_) spinner_->setVisible(on);
    }, true);
    loading = true;
    webview_->didFinishNavigation = [this](bool ok) { didFinishNavigation(ok); };
    if (!addonURL) return;
    QPointer<AddonDialog> self(this);
    prefetch_(*addonURL, [self] {
        if (self) self->loadPage();
    });
}

void AddonDialog::loadPage() {
    if (webview_ && addonURL) webview_->load(*addonURL);
}

void AddonDialog::didFinishNavigation(bool ok) {
    // A page the engine could not show is no finished page: the spinner stays for Cancel.
    if (ok) loading = false;
}

void AddonDialog::cancelClicked() { endSheet(kCancel); }

void AddonDialog::getClicked() { endSheet(kGet); }

void AddonDialog::endSheet(appkit::ModalResponse code) {
    appkit::Window* main = appkit::Application::shared().firstWindow();
    if (!main) return;
    if (appkit::Sheet* sheet = main->attachedSheet()) main->endSheet(sheet, code);
}

appkit::Sheet* AddonDialog::makeWindow(AddonDialog* dialog) { return new AddonWindow(dialog); }

}  // namespace morvex
