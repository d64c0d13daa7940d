#pragma once
// The refer-a-friend page of the main window: fetches the user's personal referral link on every
// appearance and offers four ways to pass it on: copy it (with a short toast), invite by e-mail,
// share it from a menu whose first entry copies the link, and a learn-more page. While no link
// has arrived, copying and the e-mail fall back to the web site's address and sharing shows no
// menu; a failed request shows its reason on the page and keeps the last link.
//
// Threads: main thread only.
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/Lifetime.h"
#include "viewmodels/ReferAFriendModel.h"

class QLabel;
class QMenu;
class QPushButton;

namespace morvex {

class ReferFriendViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "ReferFriendViewController";

    // What the page asks of the desktop; each defaults to the real one.
    struct Hooks {
        // Opens the user's mail program with a new message; false when there is none.
        std::function<bool(const std::string& subject, const std::string& body)> composeMail;
    };

    explicit ReferFriendViewController(QObject* parent = nullptr);
    ReferFriendViewController(std::unique_ptr<ReferAFriendModel> model, Hooks hooks, QObject* parent = nullptr);
    ~ReferFriendViewController() override;

    ReferAFriendModel& model() { return *model_; }
    std::optional<std::string> errorMessage;
    std::optional<std::string> referralLink;

    void loadView() override;
    void viewWillAppear() override;

    void fetchReferralLink();
    void learnFromHere();
    void backAction();
    void copyReferralLink();
    void inviteByEmail();
    void shareAppButtonClicked();

    // A way of passing the message on, as the share menu lists it.
    struct SharingService {
        std::string title;
        std::string imageName;
        std::function<void()> perform;
    };
    // The desktop's ways for the message (e-mail); the menu lists them after its own copy entry.
    std::vector<SharingService> proposedServices(const std::string& message);
    // The copy entry first, then the proposed ones; without the copy entry's image the proposed
    // list as it is.
    std::vector<SharingService> sharingServices(std::vector<SharingService> proposed);

    QPointer<QLabel> lblLearn;
    QPointer<QLabel> linkLabel;
    QPointer<QLabel> errorLabel;
    QPointer<QPushButton> copyButton;
    QPointer<QPushButton> emailButton;
    QPointer<QPushButton> shareButton;
    QPointer<QPushButton> backButton;
    // The share menu last shown; null before.
    QPointer<QMenu> sharePicker;

private:
    void showSharePicker(QWidget* anchor);
    void refreshView();

    std::unique_ptr<ReferAFriendModel> model_;
    Hooks hooks_;
    Lifetime lifetime_;
};

}  // namespace morvex
