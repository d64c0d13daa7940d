#include "ui/shell/EmptyPageViewController.h"

#include <QWidget>

#include "appkit/Application.h"
#include "appkit/Colors.h"

namespace morvex {

void EmptyPageViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QString::fromStdString(identifier().empty() ? "EmptyPage" : identifier()));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, appkit::colorNamed("WindowBackground", appkit::Application::shared().effectiveAppearance(), palette.color(QPalette::Window)));
    view->setPalette(palette);
    setView(view);
}

}  // namespace morvex
