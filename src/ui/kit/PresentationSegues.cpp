#include "ui/kit/PresentationSegues.h"

#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <cmath>
#include <numbers>

namespace morvex {

namespace {

// What a source holds for each controller it presented with an animator.
class Presentation : public QObject {
public:
    Presentation(appkit::ViewController& source, appkit::ViewController& presented,
                 std::shared_ptr<PresentationAnimator> animator)
        : QObject(&source), presented(&presented), animator(std::move(animator)) {}
    QPointer<appkit::ViewController> presented;
    std::shared_ptr<PresentationAnimator> animator;
};

QRect inset(const QRect& r, int by) { return r.adjusted(by, by, -by, -by); }

// Ends a presentation: the presented controller leaves its parent and its view leaves the source's.
void removePresented(appkit::ViewController& presented) {
    if (presented.isViewLoaded()) presented.view()->hide();
    presented.deleteLater();
}

// The last subview of `view` other than `except`, or null.
QWidget* lastSubview(QWidget* view, QWidget* except) {
    QWidget* last = nullptr;
    for (QObject* child : view->children()) {
        if (auto* w = qobject_cast<QWidget*>(child); w && w != except && !w->isWindow()) last = w;
    }
    return last;
}

// Draws a picture of the presented view scaled and turned about its bottom-right corner while the
// view itself is hidden.
// The name of the picture a feedback panel opens from, while it opens.
constexpr const char* kFeedbackOpening = "feedbackOpening";
constexpr int kFeedbackGap = 8;

class CornerTransformView : public QWidget {
public:
    CornerTransformView(const QPixmap& picture, const QRect& frame, QWidget* parent)
        : QWidget(parent), picture_(picture), frame_(frame) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
        show();
        raise();
    }
    void set(qreal scale, qreal rotation) {
        scale_ = scale;
        rotation_ = rotation;
        update();
    }
    qreal scale() const { return scale_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF anchor(frame_.right() + 1, frame_.bottom() + 1);
        painter.translate(anchor);
        // A positive rotation turns counter-clockwise on screen.
        painter.rotate(-rotation_ * 180.0 / std::numbers::pi);
        painter.scale(scale_, scale_);
        painter.translate(-anchor);
        painter.drawPixmap(frame_.topLeft(), picture_);
    }

private:
    QPixmap picture_;
    QRect frame_;
    qreal scale_ = 0;
    qreal rotation_ = 0;
};

// A damped spring from 0 towards 1 (no initial velocity).
qreal spring(qreal t, qreal mass, qreal stiffness, qreal damping) {
    if (t <= 0) return 0;
    const qreal w0 = std::sqrt(stiffness / mass);
    const qreal zeta = damping / (2 * std::sqrt(stiffness * mass));
    if (zeta < 1) {
        const qreal wd = w0 * std::sqrt(1 - zeta * zeta);
        return 1 - std::exp(-zeta * w0 * t) * (std::cos(wd * t) + zeta * w0 / wd * std::sin(wd * t));
    }
    if (zeta == 1) return 1 - std::exp(-w0 * t) * (1 + w0 * t);
    const qreal root = w0 * std::sqrt(zeta * zeta - 1);
    const qreal r1 = -zeta * w0 + root, r2 = -zeta * w0 - root;
    return 1 - (r2 * std::exp(r1 * t) - r1 * std::exp(r2 * t)) / (r2 - r1);
}

}  // namespace

appkit::ViewController* parentViewController(const appkit::ViewController& controller) {
    return qobject_cast<appkit::ViewController*>(controller.parent());
}

constexpr const char* kPresentationProperty = "morvexPresentation";

void presentViewController(appkit::ViewController& source, appkit::ViewController& presented,
                           std::shared_ptr<PresentationAnimator> animator) {
    if (!animator) return;
    auto* presentation = new Presentation(source, presented, animator);
    presented.setProperty(kPresentationProperty, QVariant::fromValue<QObject*>(presentation));
    animator->animatePresentation(presented, source);
}

bool dismissViewController(appkit::ViewController& presented) {
    // The presentation is held by the controller that presented it, which need not be the parent.
    auto* presentation = dynamic_cast<Presentation*>(presented.property(kPresentationProperty).value<QObject*>());
    presented.setProperty(kPresentationProperty, QVariant());
    if (!presentation || presentation->presented != &presented) return false;
    auto* source = qobject_cast<appkit::ViewController*>(presentation->parent());
    auto animator = presentation->animator;
    delete presentation;
    if (!source) return false;
    animator->animateDismissal(presented, *source);
    return true;
}

// ---- SnapshotView

SnapshotView::SnapshotView(const QPixmap& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
    setObjectName(QStringLiteral("presentationSnapshot"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SnapshotView::setAlphaValue(qreal alpha) {
    alpha_ = alpha;
    update();
}

void SnapshotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(alpha_);
    painter.drawPixmap(rect(), picture_);
}

// ---- BottomAnimator

void BottomAnimator::animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* panel = presented.view();
    // Centred horizontally, at the bottom of the source's view, keeping its size.
    QSize size = panel->size();
    if (size.isEmpty()) size = panel->sizeHint();
    const QRect frame((host->width() - size.width()) / 2, host->height() - size.height(), size.width(), size.height());
    panel->setParent(host);
    panel->setGeometry(frame);
    panel->hide();

    auto* snapshot = new SnapshotView(panel->grab(), host);
    snapshot->setGeometry(inset(frame, 5));
    snapshot->setAlphaValue(0.25);
    snapshot->show();
    snapshot->raise();

    auto* group = new QParallelAnimationGroup(snapshot);
    auto* grow = new QPropertyAnimation(snapshot, "geometry");
    grow->setDuration(250);
    grow->setEasingCurve(QEasingCurve::OutQuad);
    grow->setEndValue(frame);
    auto* fade = new QPropertyAnimation(snapshot, "alphaValue");
    fade->setDuration(250);
    fade->setEasingCurve(QEasingCurve::OutQuad);
    fade->setEndValue(1.0);
    group->addAnimation(grow);
    group->addAnimation(fade);
    QPointer<QWidget> shown(panel);
    QObject::connect(group, &QAbstractAnimation::finished, snapshot, [snapshot, shown] {
        snapshot->deleteLater();
        if (shown) {
            shown->show();
            shown->raise();
        }
    });
    group->start();
}

void BottomAnimator::animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* panel = presented.view();
    const QRect frame = panel->geometry();
    auto* snapshot = new SnapshotView(panel->grab(), host);
    snapshot->setGeometry(frame);
    snapshot->setAlphaValue(1.0);
    panel->hide();
    snapshot->show();
    snapshot->raise();

    auto* group = new QParallelAnimationGroup(snapshot);
    auto* shrink = new QPropertyAnimation(snapshot, "geometry");
    shrink->setDuration(150);
    shrink->setEndValue(inset(frame, 5));
    auto* fade = new QPropertyAnimation(snapshot, "alphaValue");
    fade->setDuration(150);
    fade->setEndValue(0.25);
    group->addAnimation(shrink);
    group->addAnimation(fade);
    QPointer<appkit::ViewController> gone(&presented);
    QObject::connect(group, &QAbstractAnimation::finished, snapshot, [snapshot, gone] {
        snapshot->deleteLater();
        if (gone) removePresented(*gone);
    });
    group->start();
}

// ---- FeedbackAnimator

qreal FeedbackAnimator::openingSpring(qreal seconds) { return spring(seconds, 1, 100, 10); }

qreal FeedbackAnimator::openingDuration() {
    // Until the swing stays within a thousandth of the end: e^(-zeta w0 t) = 0.001.
    const qreal decay = 10.0 / 2.0;  // zeta * w0 = damping / (2 mass)
    return std::log(1000.0) / decay;
}

void FeedbackAnimator::animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* panel = presented.view();
    QWidget* last = lastSubview(host, panel);
    QSize size = panel->size();
    if (size.isEmpty()) size = panel->sizeHint();
    // To the left of the last subview (the button that opens it), 8 apart, on its bottom line;
    // the bottom-right corner without one. It opens beside the button, never over the page above.
    const QRect lastFrame = last ? last->geometry() : QRect(QPoint(host->width(), 0), QSize(0, host->height()));
    const int x = lastFrame.left() - (last ? kFeedbackGap : 0) - size.width();
    const int y = lastFrame.bottom() + 1 - size.height();
    const QRect frame(x, y, size.width(), size.height());
    panel->setParent(host);
    panel->setGeometry(frame);
    if (last) panel->stackUnder(last);

    // The panel opens from its bottom-right corner with a spring, then wobbles once.
    auto* turning = new CornerTransformView(panel->grab(), frame, host);
    turning->setObjectName(QString::fromLatin1(kFeedbackOpening));
    if (last) turning->stackUnder(last);
    panel->hide();
    auto* open = new QVariantAnimation(turning);
    const int openMs = int(openingDuration() * 1000);
    open->setStartValue(0.0);
    open->setEndValue(openingDuration());
    open->setDuration(openMs);
    QObject::connect(open, &QVariantAnimation::valueChanged, turning,
                     [turning](const QVariant& t) { turning->set(openingSpring(t.toReal()), 0); });
    auto* nudge = new QVariantAnimation(turning);
    // A very soft spring (stiffness 1) towards a quarter turn, for 0.3 s there and back.
    nudge->setStartValue(0.0);
    nudge->setEndValue(0.6);
    nudge->setDuration(600);
    QObject::connect(nudge, &QVariantAnimation::valueChanged, turning, [turning](const QVariant& v) {
        const qreal t = v.toReal();
        const qreal along = t <= 0.3 ? t : 0.6 - t;
        turning->set(1.0, std::numbers::pi / 4 * spring(along, 1, 1, 10));
    });
    QPointer<QWidget> shown(panel);
    QObject::connect(open, &QAbstractAnimation::finished, turning, [nudge] { nudge->start(); });
    QObject::connect(nudge, &QAbstractAnimation::finished, turning, [turning, shown] {
        turning->deleteLater();
        if (shown) shown->show();
    });
    open->start();
}

void FeedbackAnimator::animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* panel = presented.view();
    // Dismissed while still opening: the opening's picture goes at once, and with it the step that
    // would show the panel again at its end.
    for (QWidget* opening : host->findChildren<QWidget*>(QString::fromLatin1(kFeedbackOpening), Qt::FindDirectChildrenOnly)) {
        for (auto* animation : opening->findChildren<QAbstractAnimation*>()) animation->stop();
        opening->hide();
        opening->deleteLater();
    }
    auto* turning = new CornerTransformView(panel->grab(), panel->geometry(), host);
    turning->set(1.0, 0);
    panel->hide();
    auto* close = new QVariantAnimation(turning);
    close->setStartValue(1.0);
    close->setEndValue(0.0);
    close->setDuration(250);  // the platform's default animation time
    QObject::connect(close, &QVariantAnimation::valueChanged, turning,
                     [turning](const QVariant& v) { turning->set(v.toReal(), 0); });
    QPointer<appkit::ViewController> gone(&presented);
    QObject::connect(close, &QAbstractAnimation::finished, turning, [turning, gone] {
        turning->deleteLater();
        if (gone) removePresented(*gone);
    });
    close->start();
}

// ---- Segues

namespace {
template <class Animator>
void performWith(QObject* sourceObject, QObject* destinationObject, std::shared_ptr<Animator> animator) {
    auto* source = qobject_cast<appkit::ViewController*>(sourceObject);
    auto* destination = qobject_cast<appkit::ViewController*>(destinationObject);
    if (!source || !destination) {
        // Nothing can show it; a destination nobody took would only leak.
        if (destinationObject && !destinationObject->parent()) destinationObject->deleteLater();
        return;
    }
    if (!parentViewController(*destination)) destination->setParent(source);
    presentViewController(*source, *destination, std::move(animator));
}
}  // namespace

void performPresentation(QObject* source, QObject* destination, std::shared_ptr<PresentationAnimator> animator) {
    performWith(source, destination, std::move(animator));
}

BottomAnimationSegue::BottomAnimationSegue(QObject* source, QObject* destination)
    : source_(source), destination_(destination) {}

void BottomAnimationSegue::perform() { performWith(source_, destination_, animator); }

void BottomAnimationSegue::performSegue(appkit::StoryboardSegue& segue) {
    BottomAnimationSegue(segue.sourceController(), segue.destinationController()).perform();
}

FeedbackAnimationSegue::FeedbackAnimationSegue(QObject* source, QObject* destination)
    : source_(source), destination_(destination) {}

void FeedbackAnimationSegue::perform() { performWith(source_, destination_, animator); }

void FeedbackAnimationSegue::performSegue(appkit::StoryboardSegue& segue) {
    FeedbackAnimationSegue(segue.sourceController(), segue.destinationController()).perform();
}

}  // namespace morvex

