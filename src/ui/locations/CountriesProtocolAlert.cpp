#include "ui/locations/CountriesProtocolAlert.h"

#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"
#include "foundation/Bundle.h"
#include "model/VPNProtocol.h"

namespace morvex {

ProtocolAlertTexts protocolAlertTexts(const PreservedPreferences& preference) {
    std::string message = localized("wiregurad.beta.information.details");
    if (const auto at = message.find("%@"); at != std::string::npos)
        message.replace(at, 2, title(preference.selectedProtocol()));
    return {localized("wiregurad.beta.information.title"), message, localized("ok")};
}

void presentProtocolAlert(appkit::ViewController& presenter, const PreservedPreferences& preference) {
    auto* board = appkit::Storyboard::named("Protocols");
    auto* sheet = board ? qobject_cast<appkit::ViewController*>(board->instantiateController("ProtocolsAlertViewController"))
                        : nullptr;
    if (!sheet) return;
    (void)protocolAlertTexts(preference);
    if (!presenter.presentAsSheet(sheet)) delete sheet;
}

}  // namespace morvex
