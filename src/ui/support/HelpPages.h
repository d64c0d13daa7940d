#pragma once
// The small web screens of the support area:
//  - FaqWebView: the FAQ article; it loads it again whenever the appearance changes, reloads it
//    every hour, and sends links the user clicks to the default browser instead of following them;
//  - FAQViewController: a screen of the FAQ view alone;
//  - WebViewController: a plain web view as its whole view;
//  - LiveChatViewController: one button that opens the live chat in the browser.
//
// Threads: main thread only.
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

#include "appkit/ViewController.h"
#include "appkit/WebView.h"

namespace morvex {

class FaqWebView : public appkit::WebView {
    Q_OBJECT
public:
    static constexpr int kReloadSeconds = 3600;

    explicit FaqWebView(QWidget* parent = nullptr);

    // Opens an address in the default browser (the installed services' by default).
    std::function<void(const std::string&)> openURL;

    void loadFAQ();
    // Loads the page shown again (the hourly timer's step).
    void reload();
    QTimer* reloadTimer() const { return reloadTimer_; }

private:
    QTimer* reloadTimer_ = nullptr;
};

class FAQViewController : public appkit::ViewController {
    Q_OBJECT
public:
    using appkit::ViewController::ViewController;
    FaqWebView* webView() const { return webView_; }
    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear() override;

private:
    QPointer<FaqWebView> webView_;
};

class WebViewController : public appkit::ViewController {
    Q_OBJECT
public:
    using appkit::ViewController::ViewController;
    appkit::WebView* webView() const { return webView_; }
    void loadView() override;

private:
    QPointer<appkit::WebView> webView_;
};

class LiveChatViewController : public appkit::ViewController {
    Q_OBJECT
public:
    using appkit::ViewController::ViewController;
    QPushButton* liveChatButton() const { return button_; }
    void loadView() override;
    void liveChatClicked();

private:
    QPointer<QPushButton> button_;
};

}  // namespace morvex
