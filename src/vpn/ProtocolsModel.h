#pragma once
// The model behind the protocol page of the preferences: stores the protocol the user picks, and
// while a tunnel is up asks whether to reconnect with it and, on consent, reconnects to the last
// connection's location. It also combines the install states of the two system extensions and
// sends the page's live-chat event.
//
// Main thread only. The question comes 0.1 s after the pick and the reconnect 0.2 s after the
// answer (main-queue delays), so the page finishes its own update and the sheet closes first;
// delayed work of a model that has gone does not run.
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "alerts/AlertPresenter.h"
#include "foundation/Lifetime.h"
#include "foundation/Error.h"
#include "model/VPNProtocol.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "vpn/Zevu.h"

namespace morvex {

// The protocol page, as the model talks back to it.
class ProtocolsModelDelegate {
public:
    virtual ~ProtocolsModelDelegate() = default;
    // The protocol the page is to show as selected now.
    virtual void selectedProtocolChanged(VPNProtocol protocol) = 0;
    // The window the reconnect question attaches to; null puts it on the main window.
    virtual std::shared_ptr<AlertWindow> alertWindow() const { return nullptr; }
};

class ProtocolsModel {
public:
    using LastConnection = AppPreferences::LastConnection;
    using Delay = std::function<void(double seconds, std::function<void()> block)>;

    ProtocolsModel(PreservedPreferences preservedPreference, AppPreferences appPreferences, Zevu zevu,
                   EventTracker eventTracker);
    ProtocolsModel(const ProtocolsModel&) = delete;
    ProtocolsModel& operator=(const ProtocolsModel&) = delete;

    PreservedPreferences preservedPreference;
    AppPreferences appPreferences;
    Zevu zevu;
    EventTracker eventTracker;
    ProtocolsModelDelegate* delegate = nullptr;  // the page, which owns the model; not owned
    bool isProtocolChanged = true;               // kept for the page; the model never reads it
    // Runs a block on the main queue later; the installed alert services' by default.
    Delay afterDelay;

    // The user picked `protocol` in the manual list. While connected to another protocol than the
    // stored one, nothing is stored yet: the question follows and its answer decides. When there
    // is no last connection to reconnect to, the pick is stored at once (it applies to the next
    // connection). Otherwise it is stored and the delegate told.
    void selectProtocol(VPNProtocol protocol);
    // Asks to reconnect with `protocol`; `completion` hears true (accepted) or false (declined).
    // It is not called when nothing was asked: no last connection, the stored protocol again
    // under automatic choice, or IPSec / WireGuard for a dedicated IP (whose popup says so).
    void confirmProtocolChange(VPNProtocol protocol, std::function<void(bool)> completion);
    // The answer to a pick: accepted stores `protocol`; either way the delegate hears the protocol
    // now stored.
    void saveSelectedProtocol(bool accepted, VPNProtocol protocol);
    // Passes the answer on; an accepted one reconnects to `record`'s location 0.2 s later.
    void scheduleReconnect(bool accepted, const LastConnection& record, const std::function<void(bool)>& completion);
    // Connects to `record`'s location from the protocol screen; the connect routine dials the
    // stored protocol. Refusals go to alertOnConnectError.
    void reconnectWithSelectedProtocol(const LastConnection& record);

    // The two extensions' states combined: NotRecorded when either is 0 or not a state, else the
    // higher of the two (Failed over AwaitingApproval over OtherCompletion over Activated).
    SystemExtensionStatus systemExtensionStatus() const;
    // "NotInstalled", "Installed", "RebootRequired", "UserApprovalRequired", "Error".
    static std::string_view systemExtensionStatusText(SystemExtensionStatus status);
    // "app_click_live_chat_extension" with the extension's word ("OVPN" or "WireGuard"), the
    // stored error code of the extension in error (OpenVPN first; 0 when neither is), the text of
    // the combined state, the interface "Preferences" and the screen "Protocol".
    void trackExtensionLiveChat(std::string_view extensionType, EventTracker tracker) const;

    // The message of the reconnect question: the "not supported" text when the server lists its
    // protocols and `protocol` is not among them.
    static std::string_view reconnectMessageKey(const LastConnection& record, VPNProtocol protocol);

private:
    Lifetime lifetime_;
};

// The protocol page's connect-error handler: an alert for the refusals and SDK failures a user
// can act on there (-1002, -1001, -1000, 5043, 5104, 5129); nothing for no error or other codes.
void alertOnConnectError(const std::optional<Error>& error);

}  // namespace morvex
