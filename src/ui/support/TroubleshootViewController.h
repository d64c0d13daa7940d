#pragma once
// The troubleshooting page: page 1 of the dashboard's connection-state views, shown after a
// failed connection when the user asks for help. Each time it appears for a connection it has not
// diagnosed yet, it checks the VPN account with the service (TroubleshootModel) and shows one
// diagnosis with up to two buttons: renew, contact support, log out, open the protocol settings,
// read the failed attempt's help article. Buttons that lead away from the page close it by posting
// "DismissTroubleshootForUTC", on which the state views go back to the connection page.
//
// Made from the "Main" scene kStoryboardID, so it can open the preferences window through its
// segue "seguePreferences" (on the protocol page). Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/ViewController.h"
#include "foundation/Value.h"
#include "ui/shell/PageInputs.h"
#include "viewmodels/TroubleshootModel.h"
#include "vpn/AppError.h"

namespace morvex {

namespace appkit {
class Storyboard;
}

class TroubleshootViewController : public appkit::ViewController, public TroubleshootInput {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "TroubleshootViewController";
    static constexpr std::string_view dismissNotification = "DismissTroubleshootForUTC";
    static constexpr std::string_view seguePreferences = "seguePreferences";

    explicit TroubleshootViewController(TroubleshootModel::Collaborators c = TroubleshootModel::defaults(),
                                        QObject* parent = nullptr);
    ~TroubleshootViewController() override;

    TroubleshootModel& model() { return model_; }

    // The failed attempt, as the state views hand it over before the page shows.
    const Dictionary& utcProperties() const { return utcProperties_; }
    void setUtcProperties(std::optional<Dictionary> properties) override;
    const std::optional<AppError>& error() const { return error_; }
    // Takes the help article from the error's link when the link is the whole text. Every error
    // (also none) decides anew, so an article never outlives the attempt it belongs to.
    void setError(std::optional<AppError> error) override;
    const std::optional<std::string>& supportArticleURL() const { return supportArticleURL_; }

    // What the page shows.
    const std::optional<std::string>& userStatusTitle() const { return userStatusTitle_; }
    const std::optional<std::string>& userStatusMessage() const { return userStatusMessage_; }
    const std::optional<std::string>& primaryButtonText() const { return buttonText_[0]; }
    const std::optional<std::string>& secondaryButtonText() const { return buttonText_[1]; }
    const std::optional<std::string>& tertiaryButtonText() const { return buttonText_[2]; }
    bool showUserStatusView() const { return showUserStatusView_; }
    bool loading() const { return loading_; }
    // The connection the diagnosis on screen belongs to.
    const std::optional<std::string>& troubleshootShownForConnectionID() const { return shownForConnectionID_; }

    QPushButton* buttonPrimary() const { return buttons_[0]; }
    QPushButton* buttonSecondary() const { return buttons_[1]; }
    QPushButton* buttonTertiary() const { return buttons_[2]; }
    QPushButton* closeButton() const { return close_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* messageLabel() const { return message_; }
    QProgressBar* loadingIndicator() const { return progress_; }

    void loadView() override;
    void viewWillAppear() override;
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;

    // The buttons' handlers, as the diagnoses assign them.
    void renewNowPrimaryActionHandler();
    void liveChatActionHandler();
    void disablePrimaryActionHandler();
    void invalidPrimaryActionHandler();
    void activeTertiaryActionHandler();
    void openAppPreferences();
    // Sends the user to the location list (no diagnosis offers it yet).
    void activePrimaryActionHandler();
    void resolutionPrimaryActionHandler() { activePrimaryActionHandler(); }
    void cancelButtonClicked();

private:
    void apply(TroubleshootResult result);
    void setButton(int index, const std::optional<TroubleshootModel::Button>& button);
    void perform(TroubleshootModel::Handler handler);
    void refresh();
    void open(const std::string& url);
    void dismiss();

    TroubleshootModel model_;
    Dictionary utcProperties_;
    std::optional<AppError> error_;
    std::optional<std::string> supportArticleURL_;
    std::optional<std::string> userStatusTitle_, userStatusMessage_;
    std::optional<std::string> buttonText_[3];
    TroubleshootModel::Handler handlers_[3] = {};
    bool showUserStatusView_ = true;
    bool loading_ = false;
    std::optional<std::string> shownForConnectionID_;
    // Counts account checks, so the answer of one that a newer check replaced is dropped.
    int checks_ = 0;

    QPointer<QWidget> statusView_;
    QPointer<QLabel> title_, message_;
    QPointer<QPushButton> buttons_[3];
    QPointer<QPushButton> close_;
    QPointer<QProgressBar> progress_;
};

// The page's scene and its segue to the preferences window, in `main` (the "Main" storyboard).
void registerTroubleshootStoryboards(appkit::Storyboard& main);

}  // namespace morvex
