#pragma once
// The one-line coloured notice inside the main window: no internet, a failed connection, an
// expired subscription, a finished account move. Any part of the program shows one by posting
// "ShowNotification" on the default centre with a NotificationBarTypes::Notification as object,
// and takes it down with "HideNotification". The notice names a delegate that hears which of its
// buttons was pressed.
//
// This file is the bar's model (what it shows, what a press does), free of widgets; the bar's
// view controller (NotificationBarController.h) shows it. The session's migration notice
// (InAppNotice) is shown too, as a green notice without buttons.
//
// Threads: the model's properties are interface state and change on the main thread; a post that
// arrives on another thread is carried over to the main queue.
#include <any>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/Bindings.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"

namespace morvex {

inline constexpr std::string_view ShowNotificationBarNotification = "ShowNotification";
inline constexpr std::string_view HideNotificationBarNotification = "HideNotification";

enum class NotificationBarAction { primary = 0, secondary = 1, close = 2 };

class NotificationBarDelegate;

struct NotificationBarTypes {
    // The bar's fill. "Yellow" is drawn teal.
    enum class Color { Red, Yellow, Green };
    // Red, green, blue and alpha from 0 to 1.
    static std::array<double, 4> fillColor(Color color);
    // The title's colour (a dark plum), the same on every fill.
    static std::array<double, 4> titleColor();

    struct Notification {
        std::string id;
        std::string title;    // shown first, in bold
        std::string message;  // follows the title
        std::optional<std::string> primaryButtonTitle;
        std::optional<std::string> secondaryButtonTitle;
        bool closeable = true;
        Color color = Color::Red;
        // Hears the pressed button; nothing is called once it is gone.
        std::weak_ptr<NotificationBarDelegate> delegate;
        std::any info;  // carried for the delegate
        // The expired-subscription notice: its message follows the (empty) title without a blank.
        bool isFromExpire = false;
    };
};

class NotificationBarDelegate {
public:
    virtual ~NotificationBarDelegate() = default;
    virtual void notificationBarButtonClicked(NotificationBarAction action,
                                              const NotificationBarTypes::Notification& notification) = 0;
};

class NotificationBarModel : public NotificationBarTypes {
public:
    // The bar's text: the title in bold, then `rest` (the message, after one blank unless the
    // notice is the expired one).
    struct Text {
        std::string title;
        std::string rest;
        friend bool operator==(const Text&, const Text&) = default;
    };

    // Starts observing the centre's show and hide posts for as long as the model lives.
    explicit NotificationBarModel(NotificationCenter& centre = NotificationCenter::defaultCenter());
    NotificationBarModel(const NotificationBarModel&) = delete;
    NotificationBarModel& operator=(const NotificationBarModel&) = delete;

    appkit::Observable<bool> hidden{true};
    appkit::Observable<std::optional<Text>> message;
    // None (or an empty title) hides the button.
    appkit::Observable<std::optional<std::string>> primaryButtonTitle;
    appkit::Observable<std::optional<std::string>> secondaryButtonTitle;
    appkit::Observable<bool> closeable{true};
    appkit::Observable<bool> isFromExpire{false};
    appkit::Observable<Color> color{Color::Red};
    // The notice on display (kept after a button press, so a late delegate call can still read it).
    const std::optional<Notification>& notificationShowing() const { return showing_; }

    // Shows the notice at once, replacing any on display (nothing is queued).
    void show(const Notification& notification);
    // Takes the bar down and forgets the notice.
    void hide();
    // A press of one of the bar's three controls: the delegate of the notice on display hears it,
    // then the bar hides.
    void buttonClicked(NotificationBarAction action);

private:
    void received(const morvex::Notification& posted);
    void clearTexts();

    std::optional<Notification> showing_;
    Lifetime lifetime_;
    ObserverToken showToken_, hideToken_;
};

}  // namespace morvex
