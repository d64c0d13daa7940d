#pragma once
// A paid add-on's web page in a sheet with two buttons, Cancel and Get. The dialog knows nothing
// of the add-on: the opener gives it the page's address (`addonURL`, set before the view loads),
// puts it in a window of its own (`AddonDialog::makeWindow`) begun as a sheet on the opener's
// window, and acts on the code the sheet ended with: kGet for Get, kCancel for Cancel.
//
// The page is asked for twice: first a plain GET on the shared HTTP session, which lets the site
// set up the visit, then, whatever that answered, in the web view. `loading` holds from the view's
// load until the page has finished; a page that fails keeps it (the user closes with Cancel).
//
// Threads: main thread only.
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <functional>
#include <optional>

#include "appkit/Application.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "appkit/WebView.h"

namespace morvex::appkit {
class Sheet;
}

namespace morvex {

class AddonDialog : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr appkit::ModalResponse kGet = 1;
    static constexpr appkit::ModalResponse kCancel = -1001;
    static constexpr double kTimeoutSeconds = 60;
    static constexpr QSize kSize{560, 440};

    // The preliminary request: GETs the address and calls `done` on the main thread whatever the
    // outcome. Defaults to the shared HTTP session.
    using Prefetch = std::function<void(const QUrl& url, std::function<void()> done)>;

    explicit AddonDialog(Prefetch prefetch = {}, QObject* parent = nullptr);

    appkit::Observable<bool> loading{false};
    std::optional<QUrl> addonURL;

    appkit::WebView* webview() const { return webview_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* getButton() const { return get_; }
    QProgressBar* loadingIndicator() const { return spinner_; }

    void loadView() override;
    void viewDidLoad() override;

    // The web view's report of a finished navigation.
    void didFinishNavigation(bool ok);
    // End the main window's attached sheet with kCancel / kGet; nothing without a main window.
    void cancelClicked();
    void getClicked();

    // The window the opener begins as a sheet: the dialog as its content, at a fixed size, on the
    // add-on background. The window owns the dialog.
    static appkit::Sheet* makeWindow(AddonDialog* dialog);

private:
    void endSheet(appkit::ModalResponse code);
    void loadPage();

    Prefetch prefetch_;
    QPointer<appkit::WebView> webview_;
    QPointer<QPushButton> cancel_, get_;
    QPointer<QProgressBar> spinner_;
    appkit::Subscription showsLoading_;
};

}  // namespace morvex
