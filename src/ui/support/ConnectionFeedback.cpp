#include "ui/support/ConnectionFeedback.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QRegion>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/PresentationSegues.h"
#include "ui/support/ConnectionRating.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

constexpr std::string_view kSDKInitializedNotification = "ZevuSDKInitialized";
// Posted by the dashboard with true when the connection details open, false when they close.
constexpr std::string_view kConnectionDetailOpenNotification = "ConnectionDetailOpen";
constexpr int kButtonSide = 48;
// The prompt: one row, the question beside the thumbs, as high as the star button's row allows
// so it stays in the strip under the connection card and leaves the recent location in sight.
constexpr QSize kPromptSize(288, 60);
// Room for the prompt, which opens to the left of the button, on its bottom line.
constexpr QSize kContainerSize(kPromptSize.width() + 8 + kButtonSide, kPromptSize.height());

QString hex(std::string_view colour) { return dashboard::color(colour).name(QColor::HexArgb); }

QPushButton* thumb(const char* name, const char* image, QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCursor(Qt::PointingHandCursor);
    b->setIcon(appkit::imageNamed(image));
    b->setIconSize(QSize(20, 20));
    b->setFixedSize(32, 32);
    b->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: 1px solid %1; border-radius: 8px; }"
                                    "QPushButton:hover { border-color: %2; }")
                         .arg(hex("Separator"), hex("ThemeColor")));
    return b;
}

}  // namespace

// ---- DashboardFeedbackController ----

DashboardFeedbackController::DashboardFeedbackController(DashboardFeedbackModel::Collaborators c, QObject* parent)
    : ViewController(parent), model_(std::move(c)) {
    makeRatingForm = [] { return new ConnectionRating; };
    followUp = [](FeedbackFollowUp next) {
        switch (next) {
            case FeedbackFollowUp::rateOnStore:
                Alert().showRateOnStore(true, PreservedPreferences(), MorvexVPNService::makeEventTracker());
                break;
            case FeedbackFollowUp::referAFriend:
                Alert().showReferAFriend(PreservedPreferences(), MorvexVPNService::makeEventTracker());
                break;
            case FeedbackFollowUp::none: break;
        }
    };
}

DashboardFeedbackController::~DashboardFeedbackController() = default;

void DashboardFeedbackController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardFeedbackView"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(QStringLiteral("QWidget#DashboardFeedbackView { background: %1; border: 1px solid %2; border-radius: 10px; }")
                            .arg(hex("BottomColor"), hex("Separator")));
    view->setFixedSize(kPromptSize);
    auto* stack = new QVBoxLayout(view);
    stack->setContentsMargins(12, 6, 12, 6);

    viewFeedback_ = new QWidget(view);
    viewFeedback_->setObjectName(QStringLiteral("viewFeedback"));
    auto* column = new QHBoxLayout(viewFeedback_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    question_ = new QLabel(viewFeedback_);
    question_->setTextFormat(Qt::PlainText);
    question_->setObjectName(QStringLiteral("feedbackText"));
    question_->setWordWrap(true);
    question_->setFont(dashboard::font(14, QFont::Medium));
    question_->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(hex("HeadingText")));
    column->addWidget(question_, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    up_ = thumb("thumbsUpButton", "FeedbackThumbsUp", viewFeedback_);
    down_ = thumb("thumbsDownButton", "FeedbackThumbsDown", viewFeedback_);
    row->addWidget(up_);
    row->addWidget(down_);
    column->addLayout(row);
    stack->addWidget(viewFeedback_);

    viewFeedbackGreetings_ = new QWidget(view);
    viewFeedbackGreetings_->setObjectName(QStringLiteral("viewFeedbackGreetings"));
    auto* greetingsColumn = new QVBoxLayout(viewFeedbackGreetings_);
    greetingsColumn->setContentsMargins(0, 0, 0, 0);
    greetings_ = new QLabel(viewFeedbackGreetings_);
    greetings_->setTextFormat(Qt::PlainText);
    greetings_->setObjectName(QStringLiteral("greetings"));
    greetings_->setAlignment(Qt::AlignCenter);
    greetings_->setWordWrap(true);
    greetings_->setFont(dashboard::font(14, QFont::Medium));
    greetings_->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(hex("HeadingText")));
    greetingsColumn->addWidget(greetings_);
    stack->addWidget(viewFeedbackGreetings_);

    connect(up_, &QPushButton::clicked, this, [this] { thumbsUpButtonClicked(); });
    connect(down_, &QPushButton::clicked, this, [this] { thumbsDownButtonClicked(); });
    setView(view);
}

void DashboardFeedbackController::viewDidLoad() {
    ViewController::viewDidLoad();
    const auto [isRating, greetings] = model_.isRatingPrompt();
    feedbackText_ = localized(isRating ? "connection.feedback.text.rating" : "connection.feedback.text.desired.outcome");
    question_->setText(QString::fromStdString(feedbackText_));
    greetings_->setText(QString::fromStdString(greetings));
    const bool due = model_.shouldAskFeedback();
    viewFeedback_->setVisible(due);
    viewFeedbackGreetings_->setVisible(!due);
    model_.trackPromptShown(isRating);
    NotificationCenter::defaultCenter().post(ratingsShownNotification);
}

void DashboardFeedbackController::finishPrompt() {
    NotificationCenter::defaultCenter().post(ratingsGivenNotification);
    if (!viewFeedback_ || !viewFeedbackGreetings_) return;
    if (viewFeedback_->isHidden()) {
        viewFeedbackGreetings_->show();
        return;
    }
    // The question fades, then the thank-you takes its place.
    auto* fade = new QGraphicsOpacityEffect(viewFeedback_);
    viewFeedback_->setGraphicsEffect(fade);
    auto* out = new QPropertyAnimation(fade, "opacity", viewFeedback_);
    out->setDuration(300);
    out->setStartValue(1.0);
    out->setEndValue(0.0);
    out->setEasingCurve(QEasingCurve::OutCubic);
    QPointer<DashboardFeedbackController> self(this);
    connect(out, &QPropertyAnimation::finished, this, [self] {
        if (!self) return;
        self->viewFeedback_->hide();
        self->viewFeedbackGreetings_->show();
    });
    out->start(QAbstractAnimation::DeleteWhenStopped);
}

void DashboardFeedbackController::thumbsUpButtonClicked() {
    finishPrompt();
    model_.recordLike(true);
    const FeedbackFollowUp next = model_.recordGoodRating();
    if (followUp) followUp(next);
}

void DashboardFeedbackController::thumbsDownButtonClicked() {
    model_.recordLike(false);
    model_.trackRating(FeedbackRating::bad, model_.preservedPreference().desiredOutcomeAchieved());
    if (!window() || !makeRatingForm) return;
    ConnectionRating* form = makeRatingForm();
    if (!form) return;
    // The connection counts as rated however the form ends, also when this prompt has gone.
    DashboardFeedbackModel rated = model_;
    QPointer<DashboardFeedbackController> self(this);
    connect(form, &ConnectionRating::finished, form, [rated, self](int) mutable {
        rated.markConnectionRated();
        if (self) self->finishPrompt();
    });
    if (!presentAsSheet(form)) delete form;
}

// ---- FeedbackContainerController ----

FeedbackContainerController::FeedbackContainerController(FeedbackContainerModel model, std::function<int()> vpnStatus,
                                                         QObject* parent)
    : ViewController(parent), model_(std::move(model)), vpnStatus_(std::move(vpnStatus)) {
    if (!vpnStatus_) {
        vpnStatus_ = [] {
            if (auto vpn = AlertServices::installed().vpn) return vpn->getCurrentVPNStatus();
            return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus();
        };
    }
}

FeedbackContainerController::~FeedbackContainerController() { observers_.clear(); }

void FeedbackContainerController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("FeedbackContainerView"));
    view->setFixedSize(kContainerSize);
    button_ = new QPushButton(view);
    button_->setObjectName(QStringLiteral("feedbackButton"));
    button_->setAccessibleName(QStringLiteral("buttonFeedback"));
    button_->setCursor(Qt::PointingHandCursor);
    button_->setFlat(true);
    button_->setGeometry(kContainerSize.width() - kButtonSide, kContainerSize.height() - kButtonSide, kButtonSide, kButtonSide);
    button_->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: 1px solid %2; border-radius: 24px; }"
                                          "QPushButton:hover { border-color: %3; }")
                               .arg(hex("BottomColor"), hex("Separator"), hex("ThemeColor")));
    star_ = new appkit::AnimationView(button_);
    star_->setObjectName(QStringLiteral("buttonFeedbackStar"));
    star_->setAnimation(appkit::LottieAnimation::animationNamed("feedback_star_to_close"));
    star_->setContentMode(appkit::ContentMode::ScaleAspectFit);
    star_->setLoopMode(appkit::LoopMode::PlayOnce);
    star_->setGeometry(button_->rect().adjusted(8, 8, -8, -8));
    star_->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(button_, &QPushButton::clicked, this, [this] { feedbackButtonClicked(); });
    // Only the button and the prompt take clicks: the rest of the area lets them through to the
    // dashboard underneath.
    view->installEventFilter(this);
    setView(view);
    setHidden(hidden_);
}

bool FeedbackContainerController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            if (watched == view()) {
                if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                    if (event->type() == QEvent::ChildAdded) child->installEventFilter(this);
                QTimer::singleShot(0, this, [this] { updateMask(); });
            }
            break;
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            if (watched != view()) QTimer::singleShot(0, this, [this] { updateMask(); });
            break;
        default: break;
    }
    return ViewController::eventFilter(watched, event);
}

void FeedbackContainerController::updateMask() {
    if (!isViewLoaded()) return;
    QRegion region;
    for (QObject* child : view()->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isHidden()) region += w->geometry();
    // An empty mask would mean "no mask": one point far outside keeps the area click-through.
    if (region.isEmpty()) region = QRegion(-1, -1, 1, 1);
    view()->setMask(region);
}

void FeedbackContainerController::setHidden(bool hidden) {
    hidden_ = hidden;
    if (button_) button_->setVisible(!hidden);
    updateMask();
}

void FeedbackContainerController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(kSDKInitializedNotification, this, [this](const Notification&) {
        if (vpnStatus_() == zevu::rawValue(zevu::ZevuVPNState::Connected)) setHidden(!model_.shouldAskFeedback());
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>();
        if (!info) return;
        if (info->state == ZevuConnectionState::Connected) {
            const bool due = model_.shouldAskFeedback();
            setHidden(!due);
            if (model_.preservedPreference.desiredOutcomeAchieved()) return;
            if (showing_) dismissShowing();
            // A connection already rated is not asked about again.
            else if (due) openPrompt();
        } else if (info->state == ZevuConnectionState::Disconnected) {
            dismissShowing();
            setHidden(true);
        }
    }));
    // The connection details open in the same corner: the feedback steps aside while they show.
    observers_.push_back(dashboard::observeOnMainThread(kConnectionDetailOpenNotification, this, [this](const Notification& n) {
        const auto* open = n.objectAs<bool>();
        if (!open) return;
        if (*open) {
            dismissShowing();
            setHidden(true);
        } else if (vpnStatus_() == zevu::rawValue(zevu::ZevuVPNState::Connected)) {
            setHidden(!model_.shouldAskFeedback());
        }
    }));
    observers_.push_back(dashboard::observeOnMainThread(DashboardFeedbackController::ratingsGivenNotification, this,
                                                        [this](const Notification&) {
        shouldInteract_ = false;
        QPointer<FeedbackContainerController> self(this);
        DispatchQueue::main().asyncAfter(kAnswerPauseMs / 1000.0, [self] {
            if (!self) return;
            self->shouldInteract_ = true;
            self->dismissShowing();
            self->setHidden(true);
        });
    }));
}

void FeedbackContainerController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) {
    ViewController::prepareForSegue(segue, sender);
    showing_ = qobject_cast<appkit::ViewController*>(segue.destinationController());
}

void FeedbackContainerController::openPrompt() {
    if (!performSegue(segueFeedback)) return;
    if (star_) star_->play();
}

void FeedbackContainerController::dismissShowing() {
    if (!showing_) return;
    appkit::ViewController* shown = showing_;
    showing_ = nullptr;
    dismissViewController(*shown);
    if (star_) star_->stop();
}

void FeedbackContainerController::feedbackButtonClicked() {
    if (!shouldInteract_) return;
    if (showing_) dismissShowing();
    else openPrompt();
}

void registerFeedbackStoryboards(appkit::Storyboard& main) {
    const std::string container(FeedbackContainerController::kStoryboardID);
    const std::string prompt(DashboardFeedbackController::kStoryboardID);
    main.scene(container, [] { return new FeedbackContainerController; })
        .scene(prompt, [] { return new DashboardFeedbackController; })
        .segue(container, std::string(FeedbackContainerController::segueFeedback), prompt, appkit::SegueKind::Custom,
               FeedbackAnimationSegue::performSegue);
}

}  // namespace morvex
