#include "app/MainViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
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
    // The page opens in a window of its own from the application menu, so it places its action.
    auto* feedback = new QPushButton(QString::fromStdString(localized("main.submit.feedback")), view);
    feedback->setObjectName(QStringLiteral("submitFeedbackButton"));
    connect(feedback, &QPushButton::clicked, this, [this] { submitFeedback(); });
    layout->addWidget(feedback, 0, Qt::AlignLeft);
    layout->addStretch(1);
    setView(view);
}

std::string MainViewController::feedbackURL() { return webLinkWithQueryItems(urlString(WebLink::FeedbackAppLink)); }

bool MainViewController::submitFeedback() {
    EventTracker().track(AnalyticsEvent::app_submit_feedback);
    return appkit::Workspace::shared().openURL(feedbackURL());
}

}  // namespace morvex
