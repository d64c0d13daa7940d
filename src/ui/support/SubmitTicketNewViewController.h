#pragma once
// The bug-report form the support tab shows in place of the help hub: a title, two subtitles, a
// text entry and a send button on a backdrop that dims while sending is not possible. Its texts
// are set by the owner before it is shown (the support tab makes it the bug-report form). Sending
// refuses a text of blanks alone without a word. An accepted report empties the entry and, when
// the service numbered the ticket, shows the number; a failed one keeps the text, says so under
// the entry in the user's language and lets the user send again. Leaving it, by its back button or otherwise,
// brings the hub back.
//
// Threads: main thread only; the enable steps and the text set-up are queued on the main queue.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <string>

#include "appkit/ViewController.h"
#include "ui/kit/LayerViews.h"
#include "viewmodels/SupportTicketModel.h"

namespace morvex {

class SupportViewController1;

class SubmitTicketNewViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit SubmitTicketNewViewController(QObject* parent = nullptr);

    QPointer<QPlainTextEdit> textViewMessage;
    QPointer<QProgressBar> activityIndicator;
    QPointer<QPushButton> submitButton;
    QPointer<CustomView> submitButtonView;
    QPointer<QLabel> lblTitle, lblBtnTitle, lblSubtitle1, lblSubtitle2;
    QPointer<QLabel> errorLabel;  // the failure of the last send; hidden until one failed
    QPointer<QPushButton> backButton;
    QPointer<SupportViewController1> parentController;
    SupportTicketModel model;

    // The texts, in the user's language (the ticket form's until the owner sets others).
    std::string strTitle, btnTitle, strSubtitle1, strSubtitle2, strPlaceHolder;
    double hoverReducedAlphaValue = 0.5;
    double hoverDuration = 0.15;

    // The backdrop's opacity: 1 while sending is possible, 0.4 otherwise.
    double submitBackdropAlpha() const { return backdropAlpha_; }

    void loadView() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;

    void submitClicked();
    void backButtonClicked();
    void controlTextDidChange();
    void setSubmitEnabled(bool enabled);
    void applyTexts();
    void submitTicket();

private:
    void ticketSubmitted(bool accepted);

    double backdropAlpha_ = 1.0;
};

}  // namespace morvex
