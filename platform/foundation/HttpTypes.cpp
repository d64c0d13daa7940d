#include "foundation/HttpTypes.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

namespace morvex::http {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}


namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string trim(std::string_view s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

std::string bareName(std::string name) {
    auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
               name.end());
    if (name == "." || name == "..") return {};
    return name;
}

std::string_view urlErrorText(int code) {
    switch (code) {
    case URLError::cancelled: return "cancelled";
    case URLError::badURL: return "unsupported URL";
    case URLError::timedOut: return "The request timed out.";
    case URLError::unsupportedURL: return "unsupported URL";
    case URLError::cannotFindHost: return "A server with the specified hostname could not be found.";
    case URLError::cannotConnectToHost: return "Could not connect to the server.";
    case URLError::networkConnectionLost: return "The network connection was lost.";
    case URLError::httpTooManyRedirects: return "too many HTTP redirects";
    case URLError::notConnectedToInternet: return "The Internet connection appears to be offline.";
    case URLError::badServerResponse: return "bad server response";
    case URLError::dataLengthExceedsMaximum: return "resource exceeds maximum size";
    case URLError::secureConnectionFailed: return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case URLError::cannotCreateFile: return "cannot create file";
    case URLError::cannotWriteToFile: return "cannot write to file";
    default: return "unknown error";
    }
}

}  // namespace

std::string_view methodName(Method method) {
    switch (method) {
    case Method::GET: return "GET";
    case Method::POST: return "POST";
    case Method::PUT: return "PUT";
    case Method::PATCH: return "PATCH";
    case Method::DELETE_: return "DELETE";
    case Method::HEAD: return "HEAD";
    }
    return "GET";
}

Headers::Headers(std::initializer_list<std::pair<std::string, std::string>> fields) {
    for (const auto& [n, v] : fields) add(n, v);
}

void Headers::set(std::string_view name, std::string_view value) {
    remove(name);
    add(name, value);
}

void Headers::add(std::string_view name, std::string_view value) {
    fields_.emplace_back(std::string(name), std::string(value));
}

void Headers::remove(std::string_view name) {
    std::erase_if(fields_, [&](const auto& f) { return equalsIgnoringCase(f.first, name); });
}

std::optional<std::string> Headers::value(std::string_view name) const {
    for (const auto& f : fields_)
        if (equalsIgnoringCase(f.first, name)) return f.second;
    return std::nullopt;
}

void Request::setJSONBody(const nlohmann::json& json) {
    body = json.dump();
    if (!headers.contains("Content-Type")) headers.set("Content-Type", "application/json");
}

std::optional<std::string> HTTPResponse::mimeType() const {
    auto type = headers.value("Content-Type");
    if (!type) return std::nullopt;
    auto semi = type->find(';');
    auto bare = lower(trim(std::string_view(*type).substr(0, semi)));
    if (bare.empty()) return std::nullopt;
    return bare;
}

std::string HTTPResponse::suggestedFilename() const {
    if (auto disposition = headers.value("Content-Disposition")) {
        std::string_view d = *disposition;
        std::size_t pos = 0;
        while (pos < d.size()) {
            auto semi = d.find(';', pos);
            auto part = trim(d.substr(pos, semi == std::string_view::npos ? std::string_view::npos : semi - pos));
            pos = semi == std::string_view::npos ? d.size() : semi + 1;
            auto eq = part.find('=');
            if (eq == std::string::npos) continue;
            auto key = lower(trim(std::string_view(part).substr(0, eq)));
            auto value = trim(std::string_view(part).substr(eq + 1));
            if (key == "filename*") {
                auto quote = value.find("''");
                if (quote != std::string::npos) value = value.substr(quote + 2);
                value = QUrl::fromPercentEncoding(QByteArray::fromStdString(value)).toStdString();
                return bareName(value);
            }
            if (key == "filename") {
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                return bareName(value);
            }
        }
    }
    return bareName(url.fileName().toStdString());
}

double Progress::fractionCompleted() const {
    if (totalUnitCount <= 0) return 0;
    return std::clamp(static_cast<double>(completedUnitCount) / static_cast<double>(totalUnitCount), 0.0, 1.0);
}

void RequestInterceptor::adapt(const Request& request, std::function<void(Result<Request>)> completion) {
    completion(request);
}

void RequestInterceptor::retry(const DataResponse&, int, std::function<void(RetryResult)> completion) {
    completion(RetryResult::doNotRetry());
}

Error urlError(int code) {
    return Error(std::string(kURLErrorDomain), code, std::string(urlErrorText(code)));
}

Error urlError(int code, std::string description) {
    return Error(std::string(kURLErrorDomain), code, std::move(description));
}

Error sessionTaskFailed(Error urlErr) {
    std::string text = "URLSessionTask failed with error: " + urlErr.localizedDescription();
    return Error(std::string(kSessionErrorDomain), SessionError::sessionTaskFailed, std::move(text),
                 std::make_shared<const Error>(std::move(urlErr)));
}

std::optional<Error> validate(const Request& request, const HTTPResponse& response) {
    if (response.statusCode < 200 || response.statusCode > 299) {
        return Error(std::string(kSessionErrorDomain), response.statusCode,
                     "Response status code was unacceptable: " + std::to_string(response.statusCode) + ".");
    }
    std::vector<std::string> acceptable;
    if (auto accept = request.headers.value("Accept")) {
        std::string_view a = *accept;
        std::size_t pos = 0;
        while (pos <= a.size()) {
            auto comma = a.find(',', pos);
            auto item = a.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
            auto type = lower(trim(item.substr(0, item.find(';'))));
            if (!type.empty()) acceptable.push_back(type);
            if (comma == std::string_view::npos) break;
            pos = comma + 1;
        }
    }
    if (acceptable.empty() || std::ranges::find(acceptable, "*/*") != acceptable.end()) return std::nullopt;
    auto mime = response.mimeType();
    auto reject = [&](std::string what) {
        return Error(std::string(kSessionErrorDomain), SessionError::unacceptableContentType,
                     "Response content type was unacceptable: " + what + ".");
    };
    if (!mime) return reject("none");
    auto slash = mime->find('/');
    std::string type = mime->substr(0, slash);
    for (const auto& want : acceptable) {
        if (want == *mime) return std::nullopt;
        auto wslash = want.find('/');
        if (wslash != std::string::npos && want.substr(wslash + 1) == "*" && want.substr(0, wslash) == type)
            return std::nullopt;
    }
    return reject(*mime);
}

}  // namespace morvex::http
