#include "appkit/WebView.h"

#include <QLabel>
#include <QLibrary>
#include <QVBoxLayout>
#include <cstdlib>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"

namespace morvex::appkit {

namespace {
// Loaded once for the process and never unloaded: the engine cannot be taken down again.
MakeWebEngineBackend loadModule() {
    static MakeWebEngineBackend make = []() -> MakeWebEngineBackend {
        const std::string path = WebView::enginePath().string();
        auto* library = new QLibrary(QString::fromStdString(path));
        library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
        auto function = reinterpret_cast<MakeWebEngineBackend>(library->resolve(kMakeWebEngineBackendSymbol));
        if (!function)
            log::nslog("WebView: the web engine module cannot be loaded from " + path + ": " +
                       library->errorString().toStdString());
        return function;
    }();
    return make;
}
bool g_moduleLoaded = false;
}  // namespace

WebView::WebView(QWidget* parent) : WebView(Configuration(), parent) {}

WebView::WebView(Configuration configuration, QWidget* parent) : QWidget(parent), configuration_(configuration) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

WebView::~WebView() = default;

std::filesystem::path WebView::enginePath() {
    if (const char* path = std::getenv("MORVEX_WEBENGINE_MODULE"); path && *path) return path;
    return Bundle::main().bundlePath() / "lib" / MORVEX_WEBENGINE_MODULE_NAME;
}

bool WebView::isEngineModuleLoaded() { return g_moduleLoaded; }

bool WebView::ensureEngine() {
    if (backend_) return true;
    if (unavailable_) return false;
    MakeWebEngineBackend make = loadModule();
    WebEngineBackend* backend = make ? make(this, configuration_.nonPersistent) : nullptr;
    if (!backend) {
        // The page's place shows the crossed-out box that marks anything missing from the bundle.
        unavailable_ = new QLabel(this);
        unavailable_->setObjectName(QStringLiteral("webEngineUnavailable"));
        unavailable_->setAlignment(Qt::AlignCenter);
        unavailable_->setPixmap(missingImage(QSize(64, 64)));
        layout()->addWidget(unavailable_);
        return false;
    }
    g_moduleLoaded = true;
    backend_.reset(backend);
    backend_->setCallbacks({
        [this](const QUrl& url) { return decidePolicyForNavigation ? decidePolicyForNavigation(url) : true; },
        [this](bool ok) { if (didFinishNavigation) didFinishNavigation(ok); },
        [this](const QString& title) { if (titleChanged) titleChanged(title); },
        [this](const QUrl& url) { if (didCatchURL) didCatchURL(url); },
        [this](const QUrl& url) { return decidePolicyForLinkClick ? decidePolicyForLinkClick(url) : true; },
    });
    for (const QString& scheme : caughtSchemes_) backend_->catchScheme(scheme);
    layout()->addWidget(backend_->widget());
    return true;
}

void WebView::catchScheme(const QString& scheme) {
    caughtSchemes_.append(scheme);
    if (backend_) backend_->catchScheme(scheme);
}

void WebView::load(const QUrl& url) {
    if (ensureEngine()) backend_->load(url);
}

void WebView::loadHTMLString(const QString& html, const QUrl& baseUrl) {
    if (ensureEngine()) backend_->setHtml(html, baseUrl);
}

QUrl WebView::url() const { return backend_ ? backend_->url() : QUrl(); }

void WebView::runJavaScript(const QString& script, std::function<void(const QString&)> done) {
    if (backend_) backend_->runJavaScript(script, std::move(done));
}

QString WebView::title() const { return backend_ ? backend_->title() : QString(); }

}  // namespace morvex::appkit
