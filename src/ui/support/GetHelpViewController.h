#pragma once
// The help hub, the support tab's first screen: five routes to help, each a tile whose button
// carries the route's tag — 0 a ticket by e-mail (the web-mail compose page), 1 a bug report (the
// support tab's form), 2 the FAQ inside the hub's own web view, 3 the support centre and 4 the live
// chat (both in the browser). The embedded web view stays hidden and blank until the FAQ is
// chosen; it fades in over the hub and out again with its close button.
//
// Threads: main thread only.
#include <QPointer>
#include <QPushButton>
#include <array>
#include <functional>
#include <string>

#include "appkit/Appearance.h"
#include "appkit/ViewController.h"
#include "appkit/WebView.h"
#include "state/EventTracker.h"
#include "ui/kit/LayerViews.h"

class QGraphicsOpacityEffect;
class QVariantAnimation;

namespace morvex {

class SupportViewController1;

class GetHelpViewController : public appkit::ViewController {
    Q_OBJECT
public:
    enum Route { Ticket = 0, ReportBug = 1, FAQ = 2, SupportCentre = 3, LiveChat = 4 };
    static constexpr int kFadeMilliseconds = 300;
    static constexpr double kTimeoutSeconds = 60;

    explicit GetHelpViewController(QObject* parent = nullptr);

    QPointer<SupportViewController1> parentController;

    // What the hub reaches outside itself; each defaults to the real one.
    std::function<void(const std::string&)> openURL;
    std::function<EventTracker()> makeEventTracker;
    std::function<appkit::Appearance()> appearance;

    appkit::WebView* webViewWindow() const { return webViewWindow_; }
    QPushButton* btnWebViewClose() const { return btnWebViewClose_; }
    // The tile of a route and its button.
    CustomView* tile(int tag) const { return tiles_.at(std::size_t(tag)); }
    QPushButton* routeButton(int tag) const { return buttons_.at(std::size_t(tag)); }
    // The web view's opacity (0 hidden, 1 shown), as the fades leave it.
    double webViewAlpha() const { return alpha_; }
    // The address the embedded web view was last asked to show.
    const QUrl& shownPage() const { return shownPage_; }
    bool isPageShown() const { return overlay_ && overlay_->isVisible(); }

    void loadView() override;
    void viewWillAppear() override;

    void buttonClicked(int tag);
    void onWebViewClose();

    void loadBlankPage();
    void showPage(const QUrl& url);
    void hidePage();
    void composeSupportMail();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fadeTo(double alpha, std::function<void()> done);
    void setAlpha(double alpha);

    QPointer<appkit::WebView> webViewWindow_;
    QPointer<QPushButton> btnWebViewClose_;
    QPointer<QWidget> overlay_;
    std::array<QPointer<CustomView>, 5> tiles_;
    std::array<QPointer<QPushButton>, 5> buttons_;
    QPointer<QVariantAnimation> fade_;
    double alpha_ = 0;
    QUrl shownPage_;
};

}  // namespace morvex
