#include "ui/support/SupportLinks.h"

#include <QByteArray>
#include <algorithm>
#include <cctype>

#include "model/WebLink.h"
#include "model/WebLinks.h"

namespace morvex::support {

std::string faqPage() { return webLinkWithQueryItems(urlString(WebLink::HelpArticleLight)); }

std::string liveChatPage() { return webLinkWithQueryItems(urlString(WebLink::HelpStart)); }

std::string withMode(std::string address, appkit::Appearance appearance) {
    // The page's own "mode" item may stay; the last one is the one the site reads.
    return address + "&mode=" + (appearance == appkit::Appearance::DarkAqua ? "dark" : "light");
}

std::string supportCentre(const std::optional<std::string>& language) {
    std::string code = language.value_or("de");
    std::ranges::transform(code, code.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return urlString(code == "de" ? WebLink::SupportGerman : WebLink::SupportEnglish);
}

std::string percentEncodedForQuery(std::string_view text) {
    // Letters, digits and the characters a query keeps as they are.
    return QByteArray(text.data(), qsizetype(text.size())).toPercentEncoding("!$&'()*+,/:;=?@~").toStdString();
}

std::string supportMailCompose() {
    const std::string mailLink = "mailto:" + std::string(kSupportAddress) + "?subject=" + percentEncodedForQuery(kMailSubject);
    return std::string(kWebMailHost) + "/mail/?extsrc=mailto&url=" + percentEncodedForQuery(mailLink);
}

}  // namespace morvex::support
