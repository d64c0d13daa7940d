#pragma once
// Tells whether a widget can be seen: visible, on a shown window that is not minimised. The
// callback hears the answer at the start and then each time it changes, so whatever keeps the
// widget's content current (a ticking time, a poll) runs only while someone can see it.
//
// The watch is a child of the widget and ends with it.
//
// Threads: main thread.
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace morvex::appkit {

class OnScreenWatch : public QObject {
    Q_OBJECT
public:
    OnScreenWatch(QWidget* widget, std::function<void(bool onScreen)> changed);

    bool isOnScreen() const { return onScreen_; }
    // True while `widget` is visible on a shown window that is not minimised.
    static bool onScreen(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recheck();
    void watchWindow();

    QWidget* widget_;
    QPointer<QWidget> window_;
    std::function<void(bool)> changed_;
    bool onScreen_ = false;
};

}  // namespace morvex::appkit
