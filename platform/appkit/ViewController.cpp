#include "appkit/ViewController.h"

#include <QVBoxLayout>
#include <QWidget>

#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"

namespace morvex::appkit {

// The sheet that shows a presented controller's view.
class ViewControllerSheet : public Sheet {
public:
    explicit ViewControllerSheet(ViewController* controller) : controller_(controller) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        QWidget* view = controller->view();
        layout->addWidget(view);
        if (QSize preferred = controller->preferredContentSize(); preferred.isValid()) resize(preferred);
    }
    ViewController* controller() const { return controller_; }

private:
    QPointer<ViewController> controller_;
};

ViewController::ViewController(QObject* parent) : QObject(parent) {}

ViewController::~ViewController() {
    if (view_) delete view_.data();
}

QWidget* ViewController::view() {
    if (!view_ && !loading_) {
        loading_ = true;
        loadView();
        if (!view_) setView(new QWidget);
        loading_ = false;
        viewDidLoad();
    }
    return view_;
}

void ViewController::loadView() { setView(new QWidget); }

void ViewController::setView(QWidget* view) { view_ = view; }

Window* ViewController::window() const {
    if (!view_) return nullptr;
    for (QWidget* w = view_; w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<Window*>(w)) return window;
        if (auto* sheet = qobject_cast<Sheet*>(w); sheet && sheet->sheetParent()) return sheet->sheetParent();
    }
    return nullptr;
}

void ViewController::setStoryboardScene(Storyboard* storyboard, std::string identifier) {
    storyboard_ = storyboard;
    identifier_ = std::move(identifier);
}

void ViewController::appear() {
    if (visible_) return;
    viewWillAppear();
    visible_ = true;
    viewDidAppear();
}

void ViewController::disappear() {
    if (!visible_) return;
    viewWillDisappear();
    visible_ = false;
    viewDidDisappear();
}

bool ViewController::shouldPerformSegue(std::string_view, const std::any&) { return true; }

void ViewController::prepareForSegue(StoryboardSegue&, const std::any&) {}

bool ViewController::performSegue(std::string_view identifier, const std::any& sender) {
    if (!storyboard_ || !shouldPerformSegue(identifier, sender)) return false;
    auto segue = storyboard_->makeSegue(this, identifier_, identifier);
    if (!segue) return false;
    prepareForSegue(*segue, sender);
    segue->perform();
    return true;
}

bool ViewController::presentAsSheet(ViewController* controller) {
    if (!controller) return false;
    Window* host = window();
    if (!host) host = Application::shared().firstWindow();
    if (!host) return false;
    controller->setParent(this);
    controller->presenting_ = this;
    auto* sheet = new ViewControllerSheet(controller);
    QPointer<ViewController> presented(controller);
    host->beginSheet(sheet, [presented](ModalResponse) {
        if (!presented) return;
        presented->disappear();
        presented->deleteLater();
    });
    controller->appear();
    return true;
}

void ViewController::dismiss(ViewController* controller) {
    if (!controller) return;
    if (controller == this && presenting_) {
        presenting_->dismiss(this);
        return;
    }
    if (!controller->isViewLoaded()) return;
    for (QWidget* w = controller->view(); w; w = w->parentWidget()) {
        if (auto* sheet = dynamic_cast<ViewControllerSheet*>(w); sheet && sheet->controller() == controller) {
            sheet->end(modal::stop);
            return;
        }
    }
}

}  // namespace morvex::appkit
