#include "ui/kit/ConnectionNotification.h"

namespace morvex {

namespace {
class PresentInFront final : public appkit::UserNotificationCenterDelegate {
public:
    unsigned willPresentNotification(const appkit::NotificationRequest&) override {
        return appkit::presentation::sound | appkit::presentation::alert;
    }
};
}  // namespace

void postConnectionNotification(appkit::UserNotificationCenter& centre, std::string_view body) {
    static PresentInFront presenter;
    appkit::NotificationRequest request;
    request.identifier = std::string(kConnectionNotificationIdentifier);
    request.title = std::string(kConnectionNotificationTitle);
    request.body = std::string(body);
    centre.setDelegate(&presenter);
    centre.add(request);
}

}  // namespace morvex
