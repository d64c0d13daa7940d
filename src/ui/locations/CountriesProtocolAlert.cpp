#include "ui/locations/CountriesProtocolAlert.h"

#include "appkit/ViewController.h"
#include "foundation/Bundle.h"
#include "model/VPNProtocol.h"
#include "ui/kit/ProtocolsAlertViewController.h"

namespace morvex {

ProtocolAlertTexts protocolAlertTexts(const PreservedPreferences& preference) {
    std::string message = localized("wiregurad.beta.information.details");
    if (const auto at = message.find("%@"); at != std::string::npos)
        message.replace(at, 2, title(preference.selectedProtocol()));
    return {localized("wiregurad.beta.information.title"), message, localized("ok")};
}

void presentProtocolAlert(appkit::ViewController& presenter, const PreservedPreferences& preference) {
    ProtocolsAlertViewController* sheet = ProtocolsAlertViewController::instantiate();
    if (!sheet) return;
    auto texts = protocolAlertTexts(preference);
    sheet->config = ProtocolAlertConfig{std::move(texts.title), std::move(texts.message), std::move(texts.primaryButton),
                                        std::nullopt, {}, {}};
    if (!presenter.presentAsSheet(sheet)) delete sheet;
}

}  // namespace morvex
