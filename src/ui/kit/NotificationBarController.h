#pragma once
// The notice bar's view: the coloured strip with the notice's text, up to two buttons and a close
// box, shown over the top edge of the view it is installed on and hidden while there is nothing
// to show. What it shows and what a press does are the model's (NotificationBar.h).
//
// Threads: main thread only.
#include <QPointer>
#include <memory>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "viewmodels/NotificationBar.h"

class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace morvex {

class NotificationBarController : public appkit::ViewController, public NotificationBarTypes {
    Q_OBJECT
public:
    // The bar's height for a text of up to two lines; a longer text wraps on and the bar grows.
    static constexpr int kHeight = 36;
    static constexpr int kTextMargin = 4;

    // A bar that listens on `centre` from the moment it is made (its view is made on first use).
    explicit NotificationBarController(NotificationCenter& centre = NotificationCenter::defaultCenter(),
                                       QObject* parent = nullptr);
    ~NotificationBarController() override;

    NotificationBarModel& model() { return *model_; }

    // Puts the bar over the top of `host`, as wide as it and following its size; the bar is
    // child of `host` from then on (and this controller of `host` too, unless it has a parent).
    void installOn(QWidget* host);

    // The three controls' actions.
    void primaryButtonClicked() { model_->buttonClicked(NotificationBarAction::primary); }
    void secondaryButtonClicked() { model_->buttonClicked(NotificationBarAction::secondary); }
    void closeButtonClicked() { model_->buttonClicked(NotificationBarAction::close); }

    void loadView() override;
    void viewDidLoad() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    std::unique_ptr<NotificationBarModel> model_;
    std::vector<appkit::Subscription> bindings_;
    QPointer<QWidget> host_;
    QFrame* boxView_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* primary_ = nullptr;
    QPushButton* secondary_ = nullptr;
    QToolButton* close_ = nullptr;
};

}  // namespace morvex
