#include "app/MainViewController.h"

#include <QLabel>
#include <QVBoxLayout>

#include "appkit/Workspace.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "state/EventTracker.h"

namespace morvex {

MainViewController::MainViewController(QObject* parent) : ViewController(parent), versionString(appVersionText()) {}

void MainViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* version = new QLabel(view);
    version->setObjectName(QStringLiteral("versionLabel"));
    versionBinding_ = appkit::bindProperty<std::string>(versionString, [version](const std::string& text) {
        version->setText(QString::fromStdString(text));
    });
    layout->addWidget(version);
    setView(view);
}

std::string MainViewController::feedbackURL() { return webLinkWithQueryItems(urlString(WebLink::FeedbackAppLink)); }

bool MainViewController::submitFeedback() {
    EventTracker().track(AnalyticsEvent::app_submit_feedback);
    return appkit::Workspace::shared().openURL(feedbackURL());
}

}  // namespace morvex
