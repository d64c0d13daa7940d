#include "ui/locations/PopOver.h"

#include "appkit/Application.h"
#include "appkit/Nib.h"
#include "appkit/Window.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/SortView.h"

namespace morvex {

PopOver::PopOver(QObject* parent) : ViewController(parent), alphaBgColor(QColor::fromRgbF(0, 0, 0, 0.65f)) {}

void PopOver::loadView() {
    auto* view = new CustomView;
    view->setObjectName(QStringLiteral("PopOver"));
    setView(view);
}

void PopOver::presentInMainWindow() {
    appkit::Window* window = appkit::Application::shared().firstWindow();
    if (!window) return;
    QWidget* overlay = view();
    if (overlay->parentWidget() == window) {
        window->makeKeyAndOrderFront();
        return;
    }
    overlay->setParent(window);
    overlay->setGeometry(window->rect());
    viewWillAppear();
    overlay->show();
    overlay->raise();
    window->makeKeyAndOrderFront();
}

void PopOver::removeFromSuperview() {
    if (!isViewLoaded()) return;
    view()->hide();
    view()->setParent(nullptr);
}

void PopOver::viewWillAppear() {
    ViewController::viewWillAppear();
    auto* layerView = static_cast<CustomView*>(view());
    layerView->setBackgroundColor(ThemedColor(alphaBgColor));
    if (popOverFlow == PopOverFlow::sort && !sortView_) {
        layerView->setBackgroundColor(ThemedColor(QColor(Qt::transparent)));
        if (auto loaded = appkit::loadViewFromNib<SortView>()) {
            sortView_ = loaded.release();
            sortView_->setParent(layerView);
            sortView_->setGeometry(layerView->rect());
            sortView_->show();
        }
    }
}

void PopOver::viewDidDisappear() {
    removeFromSuperview();
    ViewController::viewDidDisappear();
}

}  // namespace morvex
