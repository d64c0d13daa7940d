#pragma once
// A top-level window of the application: its content view controller, content size, title,
// appearance, a frame remembered between runs, the close decision of its delegate, and the sheets
// attached to it.
//
// Sheets are window-modal: while one is attached the window takes no input. Sheets begun while
// another is attached wait their turn, in order. Ending a sheet calls its completion once, with
// the response it ended with; a sheet ended from outside (endSheet) answers `modal::stop` unless
// told otherwise, so no button's handler mistakes it for a click.
//
// Threads: main thread only. Lifetime: the window owns its content controller and its sheets.
#include <QIcon>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/Application.h"

class QTimer;
class QVBoxLayout;

namespace morvex::appkit {

class Sheet;
class ViewController;
class Window;

class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    // Asked when the user clicks the close button; false keeps the window open.
    virtual bool windowShouldClose(Window& window) { (void)window; return true; }
};

class Window : public QWidget {
    Q_OBJECT
public:
    // A hidden window with the given content size, added to the application's window list.
    explicit Window(QSize contentSize = QSize(480, 320));
    ~Window() override;

    void setTitle(std::string_view title);
    std::string title() const;

    // The size of the area inside the frame.
    void setContentSize(QSize size);
    QSize contentSize() const { return size(); }

    // The window's position and size are kept under this name in the standard defaults and put
    // back when the name is set (a frame that no longer fits on any screen is not restored).
    void setFrameAutosaveName(std::string name);
    const std::string& frameAutosaveName() const { return autosaveName_; }
    // Writes the frame now (it is also written shortly after each move or resize and on hiding).
    void saveFrame();

    void setDelegate(WindowDelegate* delegate) { delegate_ = delegate; }
    WindowDelegate* delegate() const { return delegate_; }

    // The controller whose view fills the window. The window takes it over; the one it replaces
    // hears that its view disappears and is deleted once control returns to the run loop.
    void setContentViewController(ViewController* controller);
    ViewController* contentViewController() const { return content_; }

    // The icon the title bar shows for the window's document.
    void setTitleBarIcon(const QIcon& icon);

    // The window's own appearance (none follows the application).
    void setAppearance(std::optional<Appearance> appearance);
    std::optional<Appearance> appearance() const { return appearance_; }
    Appearance effectiveAppearance() const;

    // Sheets. The window owns the sheet from here on and deletes it after it ended.
    void beginSheet(Sheet* sheet, std::function<void(ModalResponse)> completion = {});
    Sheet* attachedSheet() const;
    // Ends the sheet (attached or waiting) with the response; nothing when it is not this window's.
    void endSheet(Sheet* sheet, ModalResponse response = modal::stop);

    bool isMiniaturized() const { return isMinimized(); }
    void miniaturize() { showMinimized(); }
    void deminiaturize();
    // Shows the window, raises it and gives it the focus.
    void makeKeyAndOrderFront();
    // As a click on the close button: asks the delegate, then closes.
    void performClose();

signals:
    void contentViewControllerChanged();
    void sheetEnded(morvex::appkit::ModalResponse response);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct PendingSheet {
        QPointer<Sheet> sheet;
        std::function<void(ModalResponse)> completion;
    };
    void presentNextSheet();
    void frameChanged();
    void restoreFrame();
    // Puts the window wholly on a screen where it fits: centred on the primary screen the first
    // time it shows without a frame of its own, and moved inside the screen it mostly covers when a
    // remembered or requested frame lies partly off it (without a window manager nothing else does).
    void placeOnScreen();
    void applyAppearance();

    QPointer<Application> application_;  // the one whose list the window joined
    WindowDelegate* delegate_ = nullptr;
    ViewController* content_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    std::string autosaveName_;
    QTimer* saveTimer_ = nullptr;
    std::optional<Appearance> appearance_;
    std::deque<PendingSheet> sheets_;  // front is attached when shown
    bool appeared_ = false;
    bool placed_ = false;  // positioned once: by a remembered frame, a move, or centring
};

}  // namespace morvex::appkit
