#include "appkit/TabViewController.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>
#include <QVariantAnimation>
#include <algorithm>

namespace morvex::appkit {

TabViewController::TabViewController(QObject* parent) : ViewController(parent) {}

void TabViewController::addChildViewController(ViewController* child) {
    if (!child) return;
    child->setParent(this);
    children_.emplace_back(child);
    if (selected_ < 0) setSelectedTabViewItemIndex(0);
}

ViewController* TabViewController::childViewControllerAt(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return children_[static_cast<std::size_t>(index)].data();
}

void TabViewController::setSelectedTabViewItemIndex(int index) {
    if (index < 0 || index >= count() || index == selected_) return;
    finishTransition();
    willSelectTabViewItem(index);
    ViewController* old = selectedViewController();
    if (shown_ && old) old->disappear();
    selected_ = index;
    if (stack_) showSelected();
    if (ViewController* now = selectedViewController(); shown_ && now) now->appear();
    didSelectTabViewItem(index);
    emit selectedTabViewItemIndexChanged(index);
}

void TabViewController::loadView() {
    stack_ = new QStackedWidget;
    stack_->setObjectName(QStringLiteral("TabViewControllerStack"));
    setView(stack_);
    showSelected();
}

void TabViewController::showSelected() { show(selectedViewController()); }

void TabViewController::show(ViewController* child) {
    if (!child || !stack_) return;
    QWidget* page = child->view();
    if (stack_->indexOf(page) < 0) stack_->addWidget(page);
    stack_->setCurrentWidget(page);
}

void TabViewController::transition(ViewController* from, ViewController* to, TransitionOptions options,
                                   std::function<void()> completion) {
    finishTransition();
    const auto isChild = [this](ViewController* c) {
        return c && std::any_of(children_.begin(), children_.end(), [c](const auto& p) { return p.data() == c; });
    };
    if (!isChild(to)) {
        if (completion) completion();
        return;
    }
    const bool onScreen = shown_ && stack_ && stack_->isVisible();
    QPixmap before;
    if (onScreen && options == TransitionOptions::Crossfade && isChild(from) && from->isViewLoaded() && from->view()->isVisible())
        before = from->view()->grab();
    if (from != to && isChild(from) && shown_) from->disappear();
    show(to);
    if (shown_) to->appear();
    if (before.isNull()) {
        if (completion) completion();
        return;
    }
    // A fade through the ground: the old page's picture fades away over the new page, which is held
    // transparent, then the new page fades in. Two pages never show at once, however slowly the
    // frames come.
    QWidget* page = to->view();
    auto* reveal = new QGraphicsOpacityEffect(page);
    reveal->setOpacity(0.0);
    page->setGraphicsEffect(reveal);
    revealing_ = page;
    fading_ = new QLabel(stack_);
    fading_->setObjectName(QStringLiteral("TabViewControllerCrossfade"));
    fading_->setAttribute(Qt::WA_TransparentForMouseEvents);
    fading_->setPixmap(before);
    fading_->setGeometry(from->view()->geometry());
    auto* effect = new QGraphicsOpacityEffect(fading_);
    effect->setOpacity(1.0);
    fading_->setGraphicsEffect(effect);
    fading_->show();
    fading_->raise();
    transitionTarget_ = to;
    completion_ = std::move(completion);
    animation_ = new QVariantAnimation(this);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setDuration(kCrossfadeMilliseconds);
    animation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation_, &QVariantAnimation::valueChanged, effect, [effect, reveal](const QVariant& v) {
        const double t = v.toDouble();
        effect->setOpacity(std::max(0.0, 1.0 - 2.0 * t));
        reveal->setOpacity(std::max(0.0, 2.0 * t - 1.0));
    });
    connect(animation_, &QVariantAnimation::finished, this, [this] { finishTransition(); });
    animation_->start();
}

void TabViewController::finishTransition() {
    if (!animation_ && !fading_ && !completion_) return;
    if (QVariantAnimation* animation = animation_.data()) {
        animation_ = nullptr;
        animation->disconnect(this);
        animation->stop();
        animation->deleteLater();
    }
    if (fading_) delete fading_.data();
    if (QWidget* page = revealing_.data()) page->setGraphicsEffect(nullptr);
    revealing_ = nullptr;
    transitionTarget_ = nullptr;
    if (auto completion = std::exchange(completion_, {})) completion();
}

void TabViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    shown_ = true;
    if (ViewController* child = selectedViewController()) child->appear();
}

void TabViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    // The page a transition shows is the one on screen: it hears that it goes as well.
    ViewController* target = transitionTarget_;
    finishTransition();
    shown_ = false;
    if (ViewController* child = selectedViewController()) child->disappear();
    if (target) target->disappear();
}

}  // namespace morvex::appkit
