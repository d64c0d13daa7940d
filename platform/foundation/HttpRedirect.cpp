#include "foundation/HttpRedirect.h"

#include <QString>

namespace morvex::http::redirects {

namespace {

// Scheme, host and port; the port is the scheme's own when the URL names none.
struct Origin {
    QString scheme;
    QString host;
    int port = 0;
    bool operator==(const Origin&) const = default;
};

Origin originOf(const QUrl& url) {
    QString scheme = url.scheme().toLower();
    return {scheme, url.host().toLower(), url.port(scheme == "https" ? 443 : 80)};
}

QString originText(const Origin& o) { return o.scheme + "://" + o.host + ":" + QString::number(o.port); }

// Fields that may go along to another origin: none of them can carry a credential.
bool harmlessAcrossOrigins(std::string_view name) {
    return equalsIgnoringCase(name, "Accept") || equalsIgnoringCase(name, "Accept-Language") ||
           equalsIgnoringCase(name, "User-Agent");
}

}  // namespace

bool isRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

std::expected<Exchange::Message, Error> follow(const Exchange::Message& from, int status, std::string_view location,
                                               int number, CrossOriginRedirects crossOrigin) {
    auto refuse = [](int code, std::string why) { return std::unexpected(urlError(code, std::move(why))); };
    if (number > kMaximumRedirects) return refuse(URLError::httpTooManyRedirects, "too many HTTP redirects");
    QUrl next = from.url.resolved(QUrl(QString::fromUtf8(location.data(), static_cast<qsizetype>(location.size()))));
    const std::string shown = next.toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded).toStdString();
    if (!next.isValid() || (next.scheme() != "http" && next.scheme() != "https") || next.host().isEmpty())
        return refuse(URLError::unsupportedURL, "A redirect to an unsupported URL was refused: " + shown + ".");
    if (from.url.scheme() == "https" && next.scheme() == "http")
        return refuse(URLError::httpTooManyRedirects, "A redirect from https to http was refused: " + shown + ".");

    Exchange::Message hop = from;
    hop.url = next;
    // 303 always, and 301/302 after a POST, turn into a GET without a body.
    if ((status == 303 && hop.method != Method::HEAD) || ((status == 301 || status == 302) && hop.method == Method::POST)) {
        hop.method = Method::GET;
        hop.body.reset();
        hop.headers.remove("Content-Type");
    }
    if (originOf(next) != originOf(from.url)) {
        auto target = originText(originOf(next)).toStdString();
        if (crossOrigin == CrossOriginRedirects::refuse)
            return refuse(URLError::httpTooManyRedirects, "A redirect to another origin (" + target + ") was refused.");
        if (hop.body)
            return refuse(URLError::httpTooManyRedirects,
                          "A redirect to another origin (" + target + ") would resend the request's body; it was refused.");
        Headers kept;
        for (const auto& [name, value] : hop.headers.fields())
            if (harmlessAcrossOrigins(name)) kept.add(name, value);
        hop.headers = std::move(kept);
    }
    return hop;
}

}  // namespace morvex::http::redirects
