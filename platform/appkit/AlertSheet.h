#pragma once
// A message box: a title (the message text), an optional informative text, a style, buttons that
// answer 1000, 1001, 1002 … in the order they were added (one "OK" button answering 1000 when none
// was added), and an optional accessory widget under the texts. It is begun as a sheet on a window
// or run modally on its own. Ended from outside (Window::endSheet) it answers `modal::stop`, so no
// button's handler runs; Escape answers `modal::cancel`.
//
// Threads: main thread only. Lifetime: once begun, the window owns the alert and deletes it after
// it ended; the accessory widget belongs to the alert once set.
#include <QPointer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/Sheet.h"

class QLabel;
class QPushButton;

namespace morvex::appkit {

class Window;

enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

class AlertSheet : public Sheet {
    Q_OBJECT
public:
    AlertSheet();

    void setMessageText(std::string_view text);
    std::string messageText() const { return message_; }
    void setInformativeText(std::string_view text);
    std::string informativeText() const { return informative_; }
    void setAlertStyle(AlertStyle style) { style_ = style; }
    AlertStyle alertStyle() const { return style_; }

    // Adds a button answering 1000 + the number of buttons before it.
    QPushButton* addButton(std::string_view title);
    // The buttons in the order added (after the alert was begun: the default one too).
    const std::vector<QPushButton*>& buttons() const { return buttons_; }

    void setAccessoryView(QWidget* view);
    QWidget* accessoryView() const { return accessory_; }

    // Begins the alert as a sheet on the window; `completion` runs once with the response. Without
    // a window nothing is shown, the completion never runs, and the alert deletes itself; false.
    bool beginSheetModalForWindow(Window* window, std::function<void(ModalResponse)> completion);
    // Shows the alert application-modal in a loop of its own and answers the response.
    ModalResponse runModal();

private:
    void build();

    std::string message_;
    std::string informative_;
    AlertStyle style_ = AlertStyle::Warning;
    std::vector<QPushButton*> buttons_;
    QPointer<QWidget> accessory_;
    bool built_ = false;
};

}  // namespace morvex::appkit
