// The identity links of the user record: account and support pages opened with the account's
// identity in the query.
#include <QUrl>
#include <QUrlQuery>

#include "model/WebLinks.h"
#include "state/Crypto.h"
#include "state/User.h"

namespace morvex {

namespace {
// Joined after the uuid before hashing, so the page can check the pair.
constexpr std::string_view kIdentitySalt = "vendro";
}  // namespace

std::optional<std::string> User::urlWithIdentityQuery(
    WebLink link, std::string_view path, std::string_view sUsername, std::optional<bool> isEmailLogin,
    const std::optional<std::string>& uuid,
    const std::optional<std::vector<std::pair<std::string, std::string>>>& extraQuery) const {
    QUrl url(QString::fromStdString(webLinkWithQueryItems(urlString(link))));
    if (!url.isValid() || url.scheme().isEmpty()) return std::nullopt;
    if (!path.empty()) {
        QString p = url.path();
        if (!p.endsWith('/')) p += '/';
        QString component = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
        while (component.startsWith('/')) component.remove(0, 1);
        url.setPath(p + component);
    }

    QUrlQuery query(url);
    auto items = query.queryItems(QUrl::FullyDecoded);
    auto add = [&items](std::string_view name, std::string_view value) {
        items.append({QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                      QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()))});
    };
    add("sUsername", sUsername);

    bool email;
    if (isEmailLogin) {
        email = *isEmailLogin;
    } else if (!rememberMe()) {
        email = false;
    } else {
        auto login = loginUsername();
        email = login && isValidEmail(*login);
    }
    if (email) {
        const std::string u = uuid.value_or("");
        add("uuid", u);
        add("token", md5Hex(u + std::string(kIdentitySalt)));
    }
    if (extraQuery)
        for (const auto& [name, value] : *extraQuery) add(name, value);

    QUrlQuery out;
    for (const auto& [name, value] : items) {
        // Encode the delimiters of a query inside names and values.
        auto encode = [](QString s) {
            return s.replace('%', "%25").replace('&', "%26").replace('=', "%3D").replace('+', "%2B").replace('#', "%23");
        };
        out.addQueryItem(encode(name), encode(value));
    }
    url.setQuery(out);
    if (!url.isValid()) return std::nullopt;
    return url.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace morvex
