// The web engine behind appkit's WebView, built as a module of its own and loaded on first use.
#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include "appkit/WebEngine.h"

// Qt's own setter of the context every GL context shares with (exported by Qt GUI; the program
// deliberately does not ask Qt to make it at start, see prepareEngine).
void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

using morvex::appkit::WebEngineBackend;

// The engine wants a GL context to share its textures with. The program does not have Qt make
// one at start-up (Qt::AA_ShareOpenGLContexts), since that loads the GL driver into every run, so
// the module makes it when the first web view is made. Where no GL context can be had (offscreen,
// a server without GL) the engine draws in software.
void prepareEngine() {
    static const bool prepared = [] {
        if (!QOpenGLContext::globalShareContext()) {
            // As Qt itself would have made it at start: set even when no GL can be had, since the
            // engine reads its format either way.
            auto* context = new QOpenGLContext(QCoreApplication::instance());
            context->setFormat(QSurfaceFormat::defaultFormat());
            if (!context->create()) {
                QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
                qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --disable-gpu");
            }
            qt_gl_set_global_share_context(context);
        }
        return true;
    }();
    (void)prepared;
}

class Page : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
    std::function<bool(const QUrl&)> navigation;
    std::function<bool(const QUrl&)> linkClicked;

protected:
    // The page's own console stays in the page: what a page logs (forms, tokens) is not ours to print.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}

    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (type == NavigationTypeLinkClicked && linkClicked && !linkClicked(url)) return false;
        if (isMainFrame && navigation && !navigation(url)) return false;
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
};

// Answers every request of a caught scheme by failing it quietly and telling the backend.
class CatchingHandler : public QWebEngineUrlSchemeHandler {
public:
    CatchingHandler(std::function<void(const QUrl&)> caught, QObject* parent) : QWebEngineUrlSchemeHandler(parent), caught_(std::move(caught)) {}
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QUrl url = job->requestUrl();
        job->fail(QWebEngineUrlRequestJob::RequestAborted);
        if (caught_) caught_(url);
    }

private:
    std::function<void(const QUrl&)> caught_;
};

class Backend : public WebEngineBackend {
public:
    Backend(QWidget* parent, bool offTheRecord) : view_(new QWebEngineView(parent)) {
        // A profile without a storage name is off the record: nothing outlives it.
        profile_ = offTheRecord ? new QWebEngineProfile(view_) : QWebEngineProfile::defaultProfile();
        page_ = new Page(profile_, view_);
        view_->setPage(page_);
        // A scheme the engine does not know is never handed to the desktop (ssh:, x-…:), not even on a
        // click: what the application opens outside goes through its own checks.
        page_->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
        QObject::connect(page_, &QWebEnginePage::loadFinished, view_, [this](bool ok) {
            if (callbacks_.finished) callbacks_.finished(ok);
        });
        QObject::connect(page_, &QWebEnginePage::titleChanged, view_, [this](const QString& title) {
            if (callbacks_.titleChanged) callbacks_.titleChanged(title);
        });
    }
    ~Backend() override {
        // The page goes before its profile, which the view owns.
        delete page_;
        delete view_;
    }

    QWidget* widget() override { return view_; }
    void setCallbacks(Callbacks callbacks) override {
        callbacks_ = std::move(callbacks);
        page_->navigation = callbacks_.navigation;
        page_->linkClicked = callbacks_.linkClicked;
    }
    void load(const QUrl& url) override { page_->load(url); }
    void setHtml(const QString& html, const QUrl& baseUrl) override { page_->setHtml(html, baseUrl); }
    QUrl url() const override { return page_->url(); }
    QString title() const override { return page_->title(); }
    void catchScheme(const QString& scheme) override {
        // A scheme the engine does not know would otherwise go to the desktop's URL handler.
        profile_->installUrlSchemeHandler(scheme.toLatin1(), new CatchingHandler([this](const QUrl& url) {
            if (callbacks_.caught) callbacks_.caught(url);
        }, view_));
    }
    void runJavaScript(const QString& script, std::function<void(const QString&)> done) override {
        page_->runJavaScript(script, [done](const QVariant& result) {
            if (done) done(result.toString());
        });
    }

private:
    QWebEngineView* view_;
    QWebEngineProfile* profile_ = nullptr;
    Page* page_ = nullptr;
    Callbacks callbacks_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) WebEngineBackend* morvex_make_web_engine_backend(QWidget* parent,
                                                                                                  bool offTheRecord) {
    prepareEngine();
    return new Backend(parent, offTheRecord);
}
