#include "app/EmptyPageViewController.h"

#include <QWidget>

namespace morvex {

void EmptyPageViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QString::fromStdString(identifier().empty() ? "EmptyPage" : identifier()));
    view->setAutoFillBackground(true);
    setView(view);
}

}  // namespace morvex
