#pragma once
// Controllers presented inside another controller's view with an animation of their own, instead
// of as a sheet or a window:
//  - BottomAnimationSegue / BottomAnimator: the panel grows out of a snapshot at the bottom of the
//    source's view (0.25 s ease-out in, 0.15 s linear out);
//  - FeedbackAnimationSegue / FeedbackAnimator: the feedback panel springs open from its
//    bottom-right corner to the left of the source's last subview (8 apart, on its bottom line),
//    then gives a short wobble; it shrinks back into that corner when dismissed (also when
//    dismissed while still opening).
// A presented controller becomes a child of its source (its QObject parent) unless it already has
// a parent controller; the source keeps the animator until the dismissal has run, and the
// dismissal deletes the presented controller.
//
// Storyboards name the segues as custom segues: `.segue(from, id, to, SegueKind::Custom,
// BottomAnimationSegue::performSegue)`.
//
// Threads: main thread only.
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"

namespace morvex {

class PresentationAnimator {
public:
    virtual ~PresentationAnimator() = default;
    virtual void animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) = 0;
    virtual void animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) = 0;
};

// The controller's parent controller, or null.
appkit::ViewController* parentViewController(const appkit::ViewController& controller);

// Presents `presented` in `source` with the animator, which the source holds until dismissal.
void presentViewController(appkit::ViewController& source, appkit::ViewController& presented,
                           std::shared_ptr<PresentationAnimator> animator);
// Runs the dismissal of a controller presented with an animator; false when it was not.
bool dismissViewController(appkit::ViewController& presented);
// The perform step of every presentation segue: nothing unless both ends are view controllers; a
// destination without a parent controller becomes the source's child; then it is presented.
void performPresentation(QObject* source, QObject* destination, std::shared_ptr<PresentationAnimator> animator);

// A picture of a view standing in for it while it animates.
class SnapshotView : public QWidget {
    Q_OBJECT
public:
    SnapshotView(const QPixmap& picture, QWidget* parent);
    qreal alphaValue() const { return alpha_; }
    void setAlphaValue(qreal alpha);
    Q_PROPERTY(qreal alphaValue READ alphaValue WRITE setAlphaValue)

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    qreal alpha_ = 1.0;
};

class BottomAnimator : public PresentationAnimator {
public:
    void animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) override;
    void animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) override;
};

class FeedbackAnimator : public PresentationAnimator {
public:
    void animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) override;
    void animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) override;

    // The spring of the opening: its position (0 to 1, overshooting) after `seconds`, and the time
    // it takes to settle. Mass 1, stiffness 100, damping 10, as a spring animation's defaults.
    static qreal openingSpring(qreal seconds);
    static qreal openingDuration();
};

class BottomAnimationSegue {
public:
    BottomAnimationSegue(QObject* source, QObject* destination);
    void perform();
    std::shared_ptr<BottomAnimator> animator = std::make_shared<BottomAnimator>();
    // The storyboard's perform function for this segue.
    static void performSegue(appkit::StoryboardSegue& segue);

private:
    QPointer<QObject> source_;
    QPointer<QObject> destination_;
};

class FeedbackAnimationSegue {
public:
    FeedbackAnimationSegue(QObject* source, QObject* destination);
    void perform();
    std::shared_ptr<FeedbackAnimator> animator = std::make_shared<FeedbackAnimator>();
    static void performSegue(appkit::StoryboardSegue& segue);

private:
    QPointer<QObject> source_;
    QPointer<QObject> destination_;
};

}  // namespace morvex
