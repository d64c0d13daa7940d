#pragma once
// A toast: a small dark label with rounded corners near the bottom of a window that confirms an
// action for a moment ("Link Copied"). showToast places a new one in the content, fades it in,
// keeps it for the given time and fades it out; toasts shown in quick succession overlap.
//
// Threads: main thread only.
#include <QRect>
#include <QSize>
#include <QWidget>
#include <string_view>

class QLabel;

namespace morvex {

namespace appkit {
class Window;
}

struct ToastTiming {
    static constexpr double fadeSeconds = 0.3;
    static constexpr QSize size{200, 40};
    static constexpr int bottomMargin = 20;
    // Where a toast sits in a content view of that size (top-left origin): centred across, 20
    // above the bottom edge.
    static QRect frame(QSize content);
    // How long a toast shown for `displaySeconds` is on screen, fades included (the display time
    // counts from the end of the fade-in).
    static double onScreenSeconds(double displaySeconds) { return displaySeconds + 2 * fadeSeconds; }
};

class ToastView : public QWidget {
    Q_OBJECT
public:
    explicit ToastView(QWidget* parent = nullptr);

    // Black at 80 % with corners of 10, the message in white 14 pt, centred with at least 10 on
    // either side.
    void configure(std::string_view message);
    QLabel* messageLabel() const { return messageLabel_; }

    // The toast's opacity, from 0 to 1 (what the fades animate).
    qreal opacity() const { return opacity_; }
    void setOpacity(qreal opacity);
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* messageLabel_;
    qreal opacity_ = 1.0;
};

// Shows a toast in the window's content (nothing without one); it removes itself at the end. The
// toast shown, for tests and pictures; null when none was shown.
ToastView* showToast(QWidget* content, std::string_view message, double displaySeconds);
ToastView* showToast(appkit::Window* window, std::string_view message, double displaySeconds);

}  // namespace morvex
