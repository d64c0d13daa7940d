#pragma once
// The stand-alone ticket form: a text view with a grey placeholder, a send button that is enabled
// while the text holds more than blanks, and the member-area link. It sends the model's message as
// the text rule left it (no blank test of its own), shows the ticket number after an accepted send
// and the general error after a failed one. Signing in or out and switching the account clear its
// message and error.
//
// Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/support/PlaceholderTextView.h"
#include "viewmodels/SupportTicketModel.h"

namespace morvex {

class SupportTicketViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit SupportTicketViewController(QObject* parent = nullptr);
    ~SupportTicketViewController() override;

    appkit::Observable<std::optional<std::string>> errorMessage;
    appkit::Observable<bool> submitting{false};
    appkit::Observable<std::optional<std::string>> textMessage;
    SupportTicketModel model;

    QPointer<PlaceholderTextView> textViewMessage;
    QPointer<QPushButton> submitButton, memberAreaButton;
    QPointer<QLabel> errorLabel;

    void loadView() override;
    void viewDidLoad() override;

    void submitQuery();
    void memberAreaClicked();
    void textDidChange();
    void loggedInPreferenceChanged(const Notification& notification);

private:
    void ticketSubmitted(bool accepted);

    std::vector<ObserverToken> observers_;
    std::vector<appkit::Subscription> bindings_;
};

}  // namespace morvex
