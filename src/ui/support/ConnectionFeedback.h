#pragma once
// The in-session feedback of the dashboard:
// - FeedbackContainerController: the star button shown while a connection that has not been rated
//   yet is up; it opens the prompt by itself when the tunnel comes up (until the user has once
//   said a connection did what they needed), and closes it when the tunnel goes down. After an
//   answer it waits 3.2 s (ignoring clicks), then closes the prompt and hides.
// - DashboardFeedbackController: the prompt, a question with a thumbs-up and a thumbs-down. Up
//   records a like and may ask for a store rating or a referral; down records a dislike and opens
//   the connection rating form as a sheet. Either way the connection counts as rated.
// The container is made from its "Main" scene so it can perform "segueFeedback".
//
// Threads: main thread only (the engine's reports are brought to it).
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <string_view>
#include <vector>

#include "appkit/AnimationView.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectionFeedbackModels.h"

namespace morvex {

namespace appkit {
class Storyboard;
}

class ConnectionRating;

class DashboardFeedbackController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "DashboardFeedbackController";
    static constexpr std::string_view ratingsShownNotification = "FeedbackRatingsShown";
    static constexpr std::string_view ratingsGivenNotification = "FeedbackRatingsGiven";

    // Makes the rating form a thumbs-down opens (by default with its default collaborators).
    using RatingFormFactory = std::function<ConnectionRating*()>;

    explicit DashboardFeedbackController(DashboardFeedbackModel::Collaborators c = DashboardFeedbackModel::defaults(),
                                         QObject* parent = nullptr);
    ~DashboardFeedbackController() override;

    DashboardFeedbackModel& model() { return model_; }
    const std::string& feedbackText() const { return feedbackText_; }
    RatingFormFactory makeRatingForm;
    // What a thumbs-up asks next (by default the store-rating and refer-a-friend alerts).
    std::function<void(FeedbackFollowUp)> followUp;

    QWidget* viewFeedback() const { return viewFeedback_; }
    QWidget* viewFeedbackGreetings() const { return viewFeedbackGreetings_; }
    QPushButton* thumbsUpButton() const { return up_; }
    QPushButton* thumbsDownButton() const { return down_; }
    QLabel* questionLabel() const { return question_; }

    void loadView() override;
    void viewDidLoad() override;

    void thumbsUpButtonClicked();
    void thumbsDownButtonClicked();

private:
    void finishPrompt();

    DashboardFeedbackModel model_;
    std::string feedbackText_;
    QPointer<QWidget> viewFeedback_, viewFeedbackGreetings_;
    QPointer<QLabel> question_, greetings_;
    QPointer<QPushButton> up_, down_;
};

class FeedbackContainerController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "FeedbackContainerController";
    static constexpr std::string_view segueFeedback = "segueFeedback";
    // The pause after an answer before the prompt closes.
    static constexpr int kAnswerPauseMs = 3200;

    explicit FeedbackContainerController(FeedbackContainerModel model = FeedbackContainerModel(),
                                         std::function<int()> vpnStatus = {}, QObject* parent = nullptr);
    ~FeedbackContainerController() override;

    bool hidden() const { return hidden_; }
    bool shouldInteract() const { return shouldInteract_; }
    // The prompt on show, or null.
    appkit::ViewController* showingController() const { return showing_; }
    QPushButton* feedbackButton() const { return button_; }

    void loadView() override;
    void viewDidLoad() override;
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;

    void feedbackButtonClicked();

private:
    void setHidden(bool hidden);
    void dismissShowing();
    void openPrompt();
    void updateMask();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FeedbackContainerModel model_;
    std::function<int()> vpnStatus_;
    bool hidden_ = true;
    bool shouldInteract_ = true;
    QPointer<appkit::ViewController> showing_;
    QPointer<QPushButton> button_;
    QPointer<appkit::AnimationView> star_;
    std::vector<ObserverToken> observers_;
};

// The container's scene, the prompt's scene and the segue between them, in `main`.
void registerFeedbackStoryboards(appkit::Storyboard& main);

}  // namespace morvex
