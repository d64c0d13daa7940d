#include "ui/support/SupportViewController.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "viewmodels/MainTab.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "session/UserAuthentication.h"
#include "ui/support/SupportLinks.h"
#include "ui/support/SupportStyle.h"
#include "ui/support/TicketText.h"

namespace morvex {

SupportViewController1::SupportViewController1(QObject* parent) : ViewController(parent) {
    // Heard from the start: the menu asks before the page is first shown, when its view is not
    // loaded yet; the choice then waits for it.
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(kShowFAQNotification, [this](const Notification& n) { ShowFAQ(n); }));
}

SupportViewController1::~SupportViewController1() { observers_.clear(); }

void SupportViewController1::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("SupportView"));
    view->setAutoFillBackground(true);
    QPalette background = view->palette();
    background.setColor(QPalette::Window, support::color("WindowBackground"));
    view->setPalette(background);
    auto* stack = new QGridLayout(view);
    stack->setContentsMargins(0, 0, 0, 0);

    // The content area: the page's one screen.
    containerView = new QWidget(view);
    containerView->setObjectName(QStringLiteral("containerView"));
    containerView->setAutoFillBackground(true);
    containerView->setPalette(background);
    auto* content = new QStackedLayout(containerView);
    content->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(containerView, 0, 0);
    setView(view);
}

void SupportViewController1::viewDidLoad() {
    auto& center = NotificationCenter::defaultCenter();
    showGetHelp();
    if (auto faq = std::exchange(pendingFAQ_, std::nullopt)) {
        if (*faq) showFAQ();
        else showReportBug();
    }
    observers_.push_back(center.addObserver(kOpenViewControllerNotification, [this](const Notification& n) { tabMenuChanged(n); }));
}

void SupportViewController1::viewWillAppear() {
    onScreen_ = true;
    if (shownChild_) {
        shownChild_->viewWillAppear();
        shownChild_->viewDidAppear();
    }
}

void SupportViewController1::viewWillDisappear() {
    onScreen_ = false;
    // The screen shown hears that it goes with the page (the form then asks for the hub).
    if (QPointer<appkit::ViewController> child = shownChild_) {
        child->viewWillDisappear();
        if (child) child->viewDidDisappear();
    }
}

appkit::ViewController* SupportViewController1::instantiate(const char* scene) {
    if (appkit::Storyboard* board = appkit::Storyboard::named(kStoryboard); board && board->hasScene(scene)) {
        QObject* made = board->instantiateController(scene);
        if (auto* controller = qobject_cast<appkit::ViewController*>(made)) return controller;
        delete made;
    }
    if (std::string_view(scene) == kGetHelpScene) return new GetHelpViewController;
    return new SubmitTicketNewViewController;
}

void SupportViewController1::showGetHelp() {
    if (!getHelpViewController) {
        getHelpViewController = qobject_cast<GetHelpViewController*>(instantiate(kGetHelpScene));
        if (!getHelpViewController) return;
        getHelpViewController->setParent(this);
        getHelpViewController->parentController = this;
    }
    showChildController(getHelpViewController, TransitionSubtype::FromLeft);
}

void SupportViewController1::showReportBug() {
    if (!submitTicketNewViewController) {
        submitTicketNewViewController = qobject_cast<SubmitTicketNewViewController*>(instantiate(kSubmitTicketNewScene));
        if (!submitTicketNewViewController) return;
        submitTicketNewViewController->setParent(this);
    }
    QPointer<SupportViewController1> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->submitTicketNewViewController) return;
        SubmitTicketNewViewController* form = self->submitTicketNewViewController;
        form->parentController = self;
        form->strTitle = localized("support.bug.title");
        form->btnTitle = localized("support.bug.send");
        form->strSubtitle1 = localized("support.bug.subtitle");
        form->strSubtitle2 = localized("support.bug.describe");
        form->strPlaceHolder = localized("support.bug.placeholder");
        self->showChildController(form, TransitionSubtype::FromRight);
    });
}

void SupportViewController1::showChildController(appkit::ViewController* child, TransitionSubtype subtype) {
    if (!child || !containerView) return;
    if (QPointer<appkit::ViewController> old = shownChild_) {
        shownChild_ = nullptr;
        if (onScreen_) old->viewWillDisappear();
        if (old && old->isViewLoaded()) {
            containerView->layout()->removeWidget(old->view());
            old->view()->hide();
            old->view()->setParent(nullptr);
        }
        if (old && onScreen_) old->viewDidDisappear();
        // A form the page has let go of goes once it is off screen.
        if (old && old != getHelpViewController && old != submitTicketNewViewController) old->deleteLater();
        // Its going may already have brought this screen (the form asks for the hub).
        if (shownChild_ == child) return;
        if (shownChild_) return showChildController(child, subtype);
    }
    shownChild_ = child;
    lastTransition_ = subtype;
    QWidget* page = child->view();
    auto* content = static_cast<QStackedLayout*>(containerView->layout());
    content->addWidget(page);
    content->setCurrentWidget(page);
    page->setGeometry(containerView->rect());
    if (onScreen_) child->viewWillAppear();
    page->show();
    if (onScreen_) child->viewDidAppear();

    // A short fade in, the new screen drifting in from its side.
    if (!containerView->isVisible()) return;
    auto* effect = new QGraphicsOpacityEffect(page);
    page->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", page);
    fade->setDuration(kChildFadeMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    QPointer<QWidget> guard(page);
    connect(fade, &QPropertyAnimation::finished, page, [guard] {
        if (guard) guard->setGraphicsEffect(nullptr);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void SupportViewController1::showFAQ() {
    showGetHelp();
    if (getHelpViewController) getHelpViewController->buttonClicked(GetHelpViewController::FAQ);
}

void SupportViewController1::ShowFAQ(const Notification& notification) {
    const auto* faq = notification.objectAs<bool>();
    if (!faq) return;
    if (!isViewLoaded()) {
        pendingFAQ_ = *faq;
        return;
    }
    if (*faq) showFAQ();
    else showReportBug();
}

void SupportViewController1::tabMenuChanged(const Notification& notification) {
    const auto page = mainTabFromObject(notification.object);
    if (!page || *page == MainTab::Support1) return;
    // The next bug report starts from a fresh form.
    if (SubmitTicketNewViewController* form = submitTicketNewViewController) {
        submitTicketNewViewController = nullptr;
        if (form != shownChild_) form->deleteLater();
    }
}

}  // namespace morvex
