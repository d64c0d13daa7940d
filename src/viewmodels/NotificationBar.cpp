#include "viewmodels/NotificationBar.h"

#include "foundation/Dispatch.h"
#include "session/UserAuthentication.h"

namespace morvex {

std::array<double, 4> NotificationBarTypes::fillColor(Color color) {
    switch (color) {
    case Color::Red:
        return {0.98, 0.41, 0.38, 1.0};
    case Color::Yellow:
        return {0.1, 0.94, 0.8, 1.0};
    case Color::Green:
        return {0.4, 0.82, 0.6, 1.0};
    }
    return {0.98, 0.41, 0.38, 1.0};
}

std::array<double, 4> NotificationBarTypes::titleColor() { return {0.263, 0.133, 0.375, 1.0}; }

NotificationBarModel::NotificationBarModel(NotificationCenter& centre) {
    auto receive = lifetime_.guard([this](const morvex::Notification& posted) { received(posted); });
    auto onMain = [receive](const morvex::Notification& posted) mutable {
        if (DispatchQueue::main().isCurrent()) {
            receive(posted);
            return;
        }
        DispatchQueue::main().async([receive, posted]() mutable { receive(posted); });
    };
    showToken_ = centre.addObserver(ShowNotificationBarNotification, onMain);
    hideToken_ = centre.addObserver(HideNotificationBarNotification, onMain);
}

void NotificationBarModel::received(const morvex::Notification& posted) {
    if (posted.name == HideNotificationBarNotification) {
        hide();
    } else if (const auto* notice = posted.objectAs<Notification>()) {
        show(*notice);
    } else if (const auto* migration = posted.objectAs<InAppNotice>()) {
        // The sign-in service's notice: green, closeable, no buttons.
        Notification notice;
        notice.id = migration->identifier;
        notice.title = migration->title;
        notice.message = migration->message;
        notice.color = Color::Green;
        show(notice);
    }
}

void NotificationBarModel::show(const Notification& notification) {
    showing_ = notification;
    message = Text{notification.title, notification.isFromExpire ? notification.message : " " + notification.message};
    auto titleOrNone = [](const std::optional<std::string>& title) {
        return title && !title->empty() ? title : std::nullopt;
    };
    primaryButtonTitle = titleOrNone(notification.primaryButtonTitle);
    secondaryButtonTitle = titleOrNone(notification.secondaryButtonTitle);
    color = notification.color;
    closeable = notification.closeable;
    isFromExpire = notification.isFromExpire;
    hidden = false;
}

void NotificationBarModel::clearTexts() {
    message = std::nullopt;
    primaryButtonTitle = std::nullopt;
    secondaryButtonTitle = std::nullopt;
    hidden = true;
}

void NotificationBarModel::hide() {
    clearTexts();
    showing_.reset();
}

void NotificationBarModel::buttonClicked(NotificationBarAction action) {
    if (showing_) {
        // A copy: the delegate may post another notice while it is told.
        const Notification notice = *showing_;
        if (auto delegate = notice.delegate.lock()) delegate->notificationBarButtonClicked(action, notice);
    }
    clearTexts();
}

}  // namespace morvex
