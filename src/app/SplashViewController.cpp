#include "app/SplashViewController.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Dispatch.h"

namespace morvex {

SplashViewController::SplashViewController(QObject* parent) : ViewController(parent) {}

void SplashViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("SplashView"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, appkit::colorNamed("WindowBackground", appkit::Application::shared().effectiveAppearance(), palette.color(QPalette::Window)));
    view->setPalette(palette);
    auto* layout = new QVBoxLayout(view);
    auto* logo = new QLabel(view);
    logo->setObjectName(QStringLiteral("splashLogo"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setPixmap(appkit::imageNamed(kLogoImage, QSize(160, 160)));
    layout->addWidget(logo, 1, Qt::AlignCenter);
    setView(view);
}

void SplashViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    if (appkit::Window* first = appkit::Application::shared().firstWindow()) first->setContentSize(kMainWindowContentSize);
    QPointer<SplashViewController> self(this);
    DispatchQueue::main().asyncAfter(kDisplaySeconds, [self] {
        if (self) self->showLogin();
    });
}

void SplashViewController::showLogin() {
    if (!storyboard()) return;
    QObject* made = storyboard()->instantiateController(kLoginStoryboardID);
    auto* login = qobject_cast<appkit::ViewController*>(made);
    appkit::Window* w = window();
    if (!login || !w) {
        delete made;
        return;
    }
    w->setContentViewController(login);
}

}  // namespace morvex
