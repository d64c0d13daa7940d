#pragma once
// The support page of the main window. Its content area shows one screen at a time: the help hub
// when the page opens, the bug-report form when the hub asks for it (made on first use, dropped
// when the user goes to another page, so the next report starts afresh). Screens change with a
// short fade that enters from the left for the hub and from the right for the form.
//
// Beneath the content area the page keeps the older layout of three panes — the FAQ article, an
// inline ticket form and the live chat — switched by three tab buttons; "ShowFAQ" picks the FAQ
// (true) or the ticket pane (false).
//
// The inline form refuses a text of blanks alone ("Message can not be empty."), cuts text beyond
// the ticket limit with the character-limit alert, and after a send empties its text and shows
// the ticket number, or the general error. Signing in or out and switching the account clear its
// message and error.
//
// Threads: main thread only; sends complete on the main thread.
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

#include "alerts/BaseViewController.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/LayerViews.h"
#include "ui/support/GetHelpViewController.h"
#include "ui/support/HelpPages.h"
#include "ui/support/PlaceholderTextView.h"
#include "ui/support/SubmitTicketNewViewController.h"
#include "viewmodels/SupportTicketModel.h"

namespace morvex {

class SupportViewController1 : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr const char* kStoryboard = "Support1";
    static constexpr const char* kGetHelpScene = "GetHelpViewController";
    static constexpr const char* kSubmitTicketNewScene = "SubmitTicketNewViewController";
    static constexpr const char* kEmptyMessage = "Message can not be empty.";
    static constexpr int kChildFadeMilliseconds = 350;

    // Where the next screen of the content area enters from.
    enum class TransitionSubtype { FromLeft, FromRight };

    explicit SupportViewController1(QObject* parent = nullptr);
    ~SupportViewController1() override;

    // The panes and their buttons.
    QPointer<QWidget> faqView;
    QPointer<SupportButton> btn_faq, btn_support, btn_chat;
    QPointer<CustomView> liveChatView, supportTicketView;
    QPointer<FaqWebView> webView;
    QPointer<PlaceholderTextView> textViewMessage;
    QPointer<QPushButton> liveChatButton;
    QPointer<QProgressBar> activityIndicator, faqActivityIndicator;
    QPointer<QPushButton> submitButton, memberAreaButton;
    QPointer<QLabel> errorLabel;
    // The content area and its screens.
    QPointer<QWidget> containerView;
    QPointer<GetHelpViewController> getHelpViewController;
    QPointer<SubmitTicketNewViewController> submitTicketNewViewController;

    appkit::Observable<std::optional<std::string>> errorMessage;
    appkit::Observable<bool> submitting{false};
    appkit::Observable<std::optional<std::string>> textMessage;
    SupportTicketModel model;
    BaseViewController base;

    // The screen the content area shows, and how the last one entered.
    appkit::ViewController* shownChild() const { return shownChild_; }
    std::optional<TransitionSubtype> lastTransition() const { return lastTransition_; }
    int selectedPane() const { return selectedPane_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    void showGetHelp();
    void showReportBug();
    void selectTab(int index);
    void submitTicket();
    void textDidChange();
    void chatNowBtnPressed();
    void memberAreaClicked();
    void styleMessageView();

    void ShowFAQ(const Notification& notification);
    void tabMenuChanged(const Notification& notification);
    void loggedInPreferenceChanged(const Notification& notification);

private:
    void showChildController(appkit::ViewController* child, TransitionSubtype subtype);
    void highlightTab(int index);
    void setupPlaceholder();
    void ticketSubmitted(bool accepted);
    appkit::ViewController* instantiate(const char* scene);

    QPointer<appkit::ViewController> shownChild_;
    std::optional<TransitionSubtype> lastTransition_;
    int selectedPane_ = -1;
    bool onScreen_ = false;
    std::vector<ObserverToken> observers_;
    std::vector<appkit::Subscription> bindings_;
};

}  // namespace morvex
