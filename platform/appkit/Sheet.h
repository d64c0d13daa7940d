#pragma once
// A panel shown attached to a window (window-modal), or on its own with runModal. Subclasses build
// their content and call end() with the response a control stands for. Escape, or closing the
// panel through the window manager, ends it with `modal::cancel`.
#include <QDialog>
#include <QPointer>
#include <optional>

#include "appkit/Application.h"

class QEventLoop;

namespace morvex::appkit {

class Window;

class Sheet : public QDialog {
    Q_OBJECT
public:
    Sheet();
    ~Sheet() override;

    // The window the sheet is attached to (or waits for); null when it is not a sheet.
    Window* sheetParent() const { return window_; }
    bool hasEnded() const { return ended_; }
    std::optional<ModalResponse> response() const { return response_; }

    // Ends the sheet with the response: the window's completion runs, or runModal returns it.
    void end(ModalResponse response);

    // Shows the panel application-modal with an event loop of its own and answers how it ended.
    ModalResponse runModal();

protected:
    void reject() override;

private:
    friend class Window;
    void attach(Window* window);
    void markEnded(ModalResponse response);

    QPointer<Window> window_;
    QEventLoop* modalLoop_ = nullptr;
    bool ended_ = false;
    std::optional<ModalResponse> response_;
};

}  // namespace morvex::appkit
