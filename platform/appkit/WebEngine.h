#pragma once
// The contract between WebView and the web engine module (platform/webengine), which is loaded
// from the bundle the first time a web view shows a page. Keeping Qt WebEngine out of the program
// itself means start-up neither maps nor relocates it.
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace morvex::appkit {

class WebEngineBackend {
public:
    struct Callbacks {
        // Asked before the page goes to a new address (links, redirects, scripts); false stops it.
        std::function<bool(const QUrl& url)> navigation;
        std::function<void(bool ok)> finished;
        std::function<void(const QString& title)> titleChanged;
        // A request for a URL of a caught scheme (see catchScheme), from any frame or redirect.
        std::function<void(const QUrl& url)> caught;
        // Asked when the user clicked a link (in any frame), before `navigation`; false stops it.
        std::function<bool(const QUrl& url)> linkClicked;
    };

    virtual ~WebEngineBackend() = default;
    virtual QWidget* widget() = 0;
    virtual void setCallbacks(Callbacks callbacks) = 0;
    virtual void load(const QUrl& url) = 0;
    virtual void setHtml(const QString& html, const QUrl& baseUrl) = 0;
    virtual QUrl url() const = 0;
    virtual QString title() const = 0;
    // Runs script in the page; `done` gets its result as text (empty for none).
    // Requests for URLs of `scheme` (a link, a form, a server's redirect) are answered by the
    // engine itself and reported to `caught`; none of them reaches the desktop or a browser.
    virtual void catchScheme(const QString& scheme) = 0;
    virtual void runJavaScript(const QString& script, std::function<void(const QString& result)> done) = 0;
};

// The module's one exported function: a backend whose widget is a child of `parent`; with
// `offTheRecord` it keeps no cookies, cache or storage beyond its own life.
using MakeWebEngineBackend = WebEngineBackend* (*)(QWidget* parent, bool offTheRecord);
inline constexpr const char* kMakeWebEngineBackendSymbol = "morvex_make_web_engine_backend";

}  // namespace morvex::appkit
