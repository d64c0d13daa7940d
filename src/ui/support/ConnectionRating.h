#pragma once
// The connection rating form: the sheet that asks why a connection was bad, after a thumbs-down on
// the in-session prompt. One choice per dislike reason and a comment; "Send" files a support
// ticket with both, reports the outcome and ends the sheet (code 1), and for a reason whose action
// is to switch server then offers the switch-server alert; "Cancel" reports the cancel and ends the
// sheet (code 0). A failed ticket keeps the sheet, the choice and the comment, says so in the
// user's language and lets the user send again.
//
// Threads: main thread only.
#include <QButtonGroup>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "viewmodels/ConnectionRatingModel.h"
#include "ui/support/DislikeReasoner.h"

namespace morvex {

class ConnectionRating : public appkit::ViewController {
    Q_OBJECT
public:
    using Reason = DislikeReasoner::Reason;

    struct Collaborators {
        ConnectionRatingModel::Collaborators model;
        std::function<std::optional<std::vector<Reason>>()> loadReasons;
        // The switch-server alert, after a ticket for a reason that asks for it.
        std::function<void()> showSwitchServer;
    };
    static Collaborators defaults();

    explicit ConnectionRating(Collaborators c = defaults(), QObject* parent = nullptr);
    ~ConnectionRating() override;

    const std::optional<std::vector<Reason>>& reasons() const { return reasons_; }
    const std::optional<Reason>& selectedReason() const { return selectedReason_; }
    bool requestInProcess() const { return requestInProcess_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }

    const std::vector<QPointer<QRadioButton>>& optionButtons() const { return options_; }
    QPlainTextEdit* messageBox() const { return messageBox_; }
    QLabel* errorLabel() const { return errorLabel_; }
    QPushButton* submitButton() const { return submit_; }
    QPushButton* cancelButton() const { return cancel_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void optionSelected(int tag);
    void submitButtonClicked();
    void cancelButtonClicked();

signals:
    // The sheet ended: 1 after an accepted submission, 0 after a cancel.
    void finished(int response);

private:
    void setErrorMessage(std::optional<std::string> text);
    void setRequestInProcess(bool value);
    void applyStyle();
    void end(int response);

    ConnectionRatingModel model_;
    Collaborators c_;
    std::optional<std::vector<Reason>> reasons_;
    std::optional<Reason> selectedReason_;
    bool requestInProcess_ = false;
    std::optional<std::string> errorMessage_;

    QPointer<QWidget> optionsStackView_;
    QPointer<QButtonGroup> group_;
    std::vector<QPointer<QRadioButton>> options_;
    QPointer<QLabel> title_, message_, errorLabel_;
    QPointer<QPlainTextEdit> messageBox_;
    QPointer<QPushButton> submit_, cancel_;
};

}  // namespace morvex
