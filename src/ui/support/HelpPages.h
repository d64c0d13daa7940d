#pragma once
// The small web screens of the support area:
//  - FaqWebView: the FAQ article; it loads it again whenever the appearance changes, reloads it
//    every hour, and sends links the user clicks to the default browser instead of following them;
// the help hub's FAQ page shows it (the hub's other routes open their pages itself).
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

}  // namespace morvex
