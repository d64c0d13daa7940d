#pragma once
// The connection details card slides up from below the bottom edge of the presenting view while
// it fades in (0.4 s, ease-out), and slides back down while it fades out (0.3 s, ease-out), after
// which it leaves its parent controller and its view leaves the presenting view. It is centred
// horizontally on the presenting view and goes under that view's last three subviews, so the
// notice bar and the controls drawn over the page stay above it; with fewer subviews it goes on top.
//
// Threads: main thread only.
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "appkit/Storyboard.h"
#include "ui/kit/PresentationSegues.h"

namespace morvex {

class ConnectionDetailAnimator : public PresentationAnimator {
public:
    static constexpr int kPresentMs = 400;
    static constexpr int kDismissMs = 300;

    void animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) override;
    void animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) override;

    // Which of `count` subviews the card goes under: the third from the end; none (on top) when
    // there are fewer than three.
    static std::optional<std::size_t> siblingBelow(std::size_t count);
};

class ConnectionDetailAnimationSegue {
public:
    ConnectionDetailAnimationSegue(QObject* source, QObject* destination);
    void perform();
    std::shared_ptr<ConnectionDetailAnimator> animator = std::make_shared<ConnectionDetailAnimator>();
    static void performSegue(appkit::StoryboardSegue& segue);

private:
    QPointer<QObject> source_;
    QPointer<QObject> destination_;
};

}  // namespace morvex
