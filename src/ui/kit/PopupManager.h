#pragma once
// Confirmations drawn inside a window instead of as a sheet: the window dims under a translucent
// layer, a rounded card with a title, a message and one or two buttons sits in its middle, and
// the whole fades in and out (0.3 s). Each popup keeps its own callbacks and closes only itself,
// so a popup shown over another never makes the first one's buttons run the newer callbacks.
// A click on the dimmed area does nothing: it neither closes the popup nor reaches the window.
//
// Threads: main thread only. Lifetime: a popup belongs to its window and is deleted once it has
// faded out (or with the window).
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "state/PreservedPreferences.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/ThemedColor.h"

class QLabel;

namespace morvex {

namespace appkit {
class Window;
}

// A button drawn by its layer: a title centred in a rounded, bordered rectangle.
class CustomButtonView : public QWidget {
    Q_OBJECT
public:
    CustomButtonView(const QString& title, std::function<void()> clickHandler, QWidget* parent = nullptr);

    QString title() const;
    std::function<void()> clickHandler;
    ThemedColor titleColor = ThemedColor(Qt::white);
    ThemedColor borderColor;
    qreal borderWidth = 1.0;
    qreal cornerRadius = 6.0;
    ThemedColor backgroundColor;
    QLabel* titleLabel() const { return titleLabel_; }

    // Re-applies the colours (before each paint and after an appearance change).
    void updateLayer();
    // Runs the click handler, when there is one.
    void handleClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* titleLabel_;
    bool pressed_ = false;
};

// Text wrapped at its width with 2 points between lines (the popup's title and message).
class WrappedText : public QWidget {
    Q_OBJECT
public:
    WrappedText(const QString& text, const QFont& font, ThemedColor color, QWidget* parent = nullptr);
    QString text() const { return text_; }
    // The height the text takes laid out at `width`.
    static int heightFor(const QString& text, const QFont& font, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    ThemedColor color_;
};

class PopupManager {
public:
    static PopupManager& shared();

    // The popup's colours; `named()` gives the bundle's popup colours with their fallbacks.
    struct Colors {
        ThemedColor title, message, cancelText, confirmText, background, confirmBackground, cancelBackground, border;
        static Colors named();
    };

    // Shows a popup on `window` (null: the application's first window; with none, nothing is
    // shown and no callback ever runs). An empty or missing cancel title gives one centred button.
    void showPopup(const std::string& title, const std::string& message, const std::optional<std::string>& cancelTitle,
                   const std::string& confirmTitle, const Colors& colors, std::function<void()> cancelAction,
                   std::function<void()> confirmAction, appkit::Window* window = nullptr);

    // The newest popup's dimming layer and card, while it is shown.
    QWidget* backgroundView() const { return backgroundView_; }
    CustomView* popupView() const { return popupView_; }

    // The popups the application shows.
    void showDedicatedProtocolNotSupported(std::string_view protocol);
    // On `window`, like showPopup (null: the application's first window).
    void showClearPreferencesConnected(appkit::Window* window = nullptr);
    // Confirming resets the current user's settings in `preferences`.
    void showClearPreferences(PreservedPreferences preferences, appkit::Window* window = nullptr);
    void showAutomaticProtocolDisable(std::function<void()> turnOff, std::function<void()> keepOn);
    void showFallbackDisableWarning(std::function<void()> turnOff, std::function<void()> keepOn);

private:
    QPointer<QWidget> backgroundView_;
    QPointer<CustomView> popupView_;
};

}  // namespace morvex
