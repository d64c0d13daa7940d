#include "ui/dashboard/ConnectionDetailAnimationSegue.h"

#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QWidget>
#include <vector>

#include "appkit/ViewController.h"

namespace morvex {

namespace {

std::vector<QWidget*> subviews(QWidget* view, QWidget* except) {
    std::vector<QWidget*> out;
    for (QObject* child : view->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && w != except && !w->isWindow()) out.push_back(w);
    return out;
}

QGraphicsOpacityEffect* opacityOf(QWidget* view) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    return effect;
}

QParallelAnimationGroup* slide(QWidget* card, const QRect& to, qreal opacity, int ms) {
    auto* group = new QParallelAnimationGroup(card);
    auto* move = new QPropertyAnimation(card, "geometry");
    move->setDuration(ms);
    move->setEasingCurve(QEasingCurve::OutQuad);
    move->setEndValue(to);
    auto* fade = new QPropertyAnimation(opacityOf(card), "opacity");
    fade->setDuration(ms);
    fade->setEasingCurve(QEasingCurve::OutQuad);
    fade->setEndValue(opacity);
    group->addAnimation(move);
    group->addAnimation(fade);
    return group;
}

}  // namespace

std::optional<std::size_t> ConnectionDetailAnimator::siblingBelow(std::size_t count) {
    if (count < 3) return std::nullopt;
    return count - 3;
}

void ConnectionDetailAnimator::animatePresentation(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* card = presented.view();
    QSize size = card->size();
    if (size.isEmpty()) size = card->sizeHint();
    const int x = (host->width() - size.width()) / 2;
    const auto siblings = subviews(host, card);
    card->setParent(host);
    // Starts just below the bottom edge, transparent.
    card->setGeometry(x, host->height(), size.width(), size.height());
    opacityOf(card)->setOpacity(0.0);
    if (const auto below = siblingBelow(siblings.size())) card->stackUnder(siblings[*below]);
    else card->raise();
    card->show();
    slide(card, QRect(x, host->height() - size.height(), size.width(), size.height()), 1.0, kPresentMs)
        ->start(QAbstractAnimation::DeleteWhenStopped);
}

void ConnectionDetailAnimator::animateDismissal(appkit::ViewController& presented, appkit::ViewController& source) {
    QWidget* host = source.view();
    QWidget* card = presented.view();
    const QRect frame = card->geometry();
    auto* group = slide(card, QRect(frame.x(), host->height(), frame.width(), frame.height()), 0.0, kDismissMs);
    QPointer<appkit::ViewController> gone(&presented);
    QObject::connect(group, &QAbstractAnimation::finished, card, [gone] {
        if (!gone) return;
        if (gone->isViewLoaded()) {
            gone->view()->hide();
            gone->view()->setParent(nullptr);
        }
        gone->setParent(nullptr);
        gone->deleteLater();
    });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

ConnectionDetailAnimationSegue::ConnectionDetailAnimationSegue(QObject* source, QObject* destination)
    : source_(source), destination_(destination) {}

void ConnectionDetailAnimationSegue::perform() { performPresentation(source_, destination_, animator); }

void ConnectionDetailAnimationSegue::performSegue(appkit::StoryboardSegue& segue) {
    ConnectionDetailAnimationSegue(segue.sourceController(), segue.destinationController()).perform();
}

}  // namespace morvex
