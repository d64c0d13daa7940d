#pragma once
// A web page inside a window. The web engine is made when the view first loads a page (never
// at start-up), from the module beside the program in the bundle (lib/libmorvex_webengine.so).
// When the module is missing or cannot be loaded the view shows the crossed-out box of a missing
// resource in place of the page and reports it once; no callback runs.
//
// Threads: main thread.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "appkit/WebEngine.h"

class QLabel;

namespace morvex::appkit {

class WebView : public QWidget {
    Q_OBJECT
public:
    struct Configuration {
        bool nonPersistent = false;  // no cookies, cache or storage shared with other views
    };

    explicit WebView(QWidget* parent = nullptr);
    WebView(Configuration configuration, QWidget* parent);
    ~WebView() override;

    void load(const QUrl& url);
    void loadHTMLString(const QString& html, const QUrl& baseUrl = {});
    QUrl url() const;
    QString title() const;
    // Runs script in the page that shows (nothing without an engine); `done` gets the result as text.
    void runJavaScript(const QString& script, std::function<void(const QString& result)> done = {});

    // Asked before each navigation; false cancels it (a sign-in window catches its callback here).
    std::function<bool(const QUrl& url)> decidePolicyForNavigation;
    // Asked when the user clicks a link, before decidePolicyForNavigation; false cancels it.
    std::function<bool(const QUrl& url)> decidePolicyForLinkClick;
    std::function<void(bool ok)> didFinishNavigation;
    std::function<void(const QString& title)> titleChanged;
    // Requests for URLs of a caught scheme (see catchScheme).
    std::function<void(const QUrl& url)> didCatchURL;
    // From now on, requests for URLs of `scheme` are answered inside the view and reported to
    // didCatchURL: neither a browser nor the desktop ever sees them.
    void catchScheme(const QString& scheme);

    // Whether this view has made its engine yet, and whether any view in the process has.
    bool hasEngine() const { return backend_ != nullptr; }
    static bool isEngineModuleLoaded();
    // Where the module is looked for.
    static std::filesystem::path enginePath();

private:
    bool ensureEngine();

    Configuration configuration_;
    QStringList caughtSchemes_;
    std::unique_ptr<WebEngineBackend> backend_;
    QPointer<QLabel> unavailable_;
};

}  // namespace morvex::appkit
