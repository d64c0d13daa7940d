#pragma once
// The support page of the main window. Its content area shows one screen at a time: the help hub
// when the page opens, the bug-report form when the hub asks for it (made on first use, dropped
// when the user goes to another page, so the next report starts afresh). Screens change with a
// short fade that enters from the left for the hub and from the right for the form.
//
// "ShowFAQ" (the application menu's FAQ and ticket entries) picks what the content area shows:
// true the hub with its FAQ page open, false the ticket form. The FAQ, the ticket form and the live
// chat are all the hub's routes, so the page holds nothing beneath its content area.
//
// Threads: main thread only; sends complete on the main thread.
#include <QPointer>
#include <optional>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/support/GetHelpViewController.h"
#include "ui/support/SubmitTicketNewViewController.h"

namespace morvex {

class SupportViewController1 : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr const char* kStoryboard = "Support1";
    static constexpr const char* kGetHelpScene = "GetHelpViewController";
    static constexpr const char* kSubmitTicketNewScene = "SubmitTicketNewViewController";
    static constexpr int kChildFadeMilliseconds = 350;

    // Where the next screen of the content area enters from.
    enum class TransitionSubtype { FromLeft, FromRight };

    explicit SupportViewController1(QObject* parent = nullptr);
    ~SupportViewController1() override;

    // The content area and its screens.
    QPointer<QWidget> containerView;
    QPointer<GetHelpViewController> getHelpViewController;
    QPointer<SubmitTicketNewViewController> submitTicketNewViewController;


    // The screen the content area shows, and how the last one entered.
    appkit::ViewController* shownChild() const { return shownChild_; }
    std::optional<TransitionSubtype> lastTransition() const { return lastTransition_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    void showGetHelp();
    void showReportBug();
    // The hub with its FAQ page open.
    void showFAQ();

    void ShowFAQ(const Notification& notification);
    void tabMenuChanged(const Notification& notification);

private:
    void showChildController(appkit::ViewController* child, TransitionSubtype subtype);
    appkit::ViewController* instantiate(const char* scene);

    QPointer<appkit::ViewController> shownChild_;
    std::optional<TransitionSubtype> lastTransition_;
    bool onScreen_ = false;
    std::optional<bool> pendingFAQ_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
