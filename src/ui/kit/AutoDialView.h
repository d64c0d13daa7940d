#pragma once
// The reconnect countdown's view: one line of text under the kill-switch sheet's message, ticking
// once a second from the moment it is made. Handed to the sheet through AutoDialCountdown, which
// the alert builder takes as its accessory and stops when a button is pressed.
//
// Threads: main thread only.
#include <QPointer>
#include <QWidget>
#include <memory>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "viewmodels/AutoDialModel.h"

class QLabel;
class QTimer;

namespace morvex {

class AutoDialView : public QWidget {
    Q_OBJECT
public:
    explicit AutoDialView(std::unique_ptr<AutoDialModel> model = std::make_unique<AutoDialModel>(),
                          QWidget* parent = nullptr);

    AutoDialModel& model() { return *model_; }
    QLabel* message() const { return message_; }
    bool isCounting() const;

    // One tick of the countdown (the timer's action).
    void updateTime();
    void invalidateTimer();

    // Ends the alert sheet attached to the application's first window; false when there is none
    // (or the sheet attached is not an alert).
    static bool endAttachedAlertSheet();

private:
    std::unique_ptr<AutoDialModel> model_;
    QLabel* message_;
    QTimer* timer_;
};

// The view as the alert builders take it: an accessory the sheet shows and a countdown they stop.
class AutoDialCountdown : public QtAlertAccessory, public AlertCountdown {
public:
    explicit AutoDialCountdown(AutoDialView* view) : QtAlertAccessory(view), view_(view) {}
    static std::shared_ptr<AutoDialCountdown> make(std::unique_ptr<AutoDialModel> model = std::make_unique<AutoDialModel>());

    AutoDialView* view() const { return view_; }
    void invalidateTimer() override {
        if (view_) view_->invalidateTimer();
    }

private:
    QPointer<AutoDialView> view_;
};

}  // namespace morvex
