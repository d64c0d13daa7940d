#include "appkit/TabViewController.h"

#include <QStackedWidget>

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

void TabViewController::showSelected() {
    ViewController* child = selectedViewController();
    if (!child || !stack_) return;
    QWidget* page = child->view();
    if (stack_->indexOf(page) < 0) stack_->addWidget(page);
    stack_->setCurrentWidget(page);
}

void TabViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    shown_ = true;
    if (ViewController* child = selectedViewController()) child->appear();
}

void TabViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    shown_ = false;
    if (ViewController* child = selectedViewController()) child->disappear();
}

}  // namespace morvex::appkit
