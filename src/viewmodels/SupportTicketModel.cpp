#include "viewmodels/SupportTicketModel.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <QTextBoundaryFinder>

#include "api/Networking.h"
#include "foundation/Log.h"
#include "foundation/LogMasking.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "state/AppPreferences.h"

namespace morvex {

namespace {

template <class T>
std::optional<T> optionalMember(const nlohmann::json& j, const char* key) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return std::nullopt;
    return it->get<T>();
}

}  // namespace

void from_json(const nlohmann::json& j, SupportTicketModel::SupportAPIResponseModel& m) {
    m.result = optionalMember<std::string>(j, "result");
    m.id = optionalMember<std::int64_t>(j, "id");
    m.tid = optionalMember<std::string>(j, "tid");
    m.c = optionalMember<std::string>(j, "c");
}

SupportTicketModel::Send SupportTicketModel::sharedNetworking() { return through(Networking::shared()); }

SupportTicketModel::Send SupportTicketModel::through(Networking& networking) {
    return [&networking](const nlohmann::json& parameters, Answer answer) {
        networking.postSupportTicket<SupportAPIResponseModel>(parameters, std::move(answer));
    };
}

std::string SupportTicketModel::operatingSystemVersion() {
    // The distribution's version ("12", "24.04", "12.5"), padded to three numbers.
    QStringList numbers;
    auto it = QRegularExpression(QStringLiteral("\\d+")).globalMatch(QSysInfo::productVersion());
    while (it.hasNext() && numbers.size() < 3) numbers << it.next().captured();
    while (numbers.size() < 3) numbers << QStringLiteral("0");
    return numbers.join(u'.').toStdString();
}

nlohmann::json SupportTicketModel::ticketParameters() const {
    UserDefaults& defaults = user.defaults();
    return {
        {"message", message},
        {"client_id", user.clientId().value_or("")},
        {"subject", std::string(kSubject)},
        {"username", user.vpnUsername().value_or("")},
        {"email", user.email().value_or("")},
        {"os_version", operatingSystemVersion()},
        {"app_version", appVersionText()},
        {"locale", defaults.string(AppPreferences::Key::preferredLanguageCode).value_or("de")},
        {"device_type", "mac"},
        {"device_model", Networking::hardwareModel()},
    };
}

void SupportTicketModel::submitTicket(std::function<void(bool)> completion) const {
    const nlohmann::json parameters = ticketParameters();
    // The form holds the user's e-mail address and words: the console gets its size at most.
    log::print("Submitting a ticket: " + log::describeBody(parameters.dump()));
    // The answer is stored through the copy taken here, whatever the form does meanwhile.
    SupportTicketModel copy = *this;
    networkingManager(parameters, [copy, completion = std::move(completion)](Result<SupportAPIResponseModel> answer) mutable {
        if (!answer) {
            if (completion) completion(false);
            return;
        }
        copy.user.setSupportTicketNo(answer->tid.value_or(""));
        if (completion) completion(true);
    });
}

std::optional<std::string> SupportTicketModel::memberAreaURL() const {
    const std::optional<std::string> method = user.loginMethod();
    // "username" and "email" are the two log-in kinds the identity query tells apart.
    std::optional<bool> isEmail;
    if (method == "username") isEmail = false;
    else if (method == "email") isEmail = true;
    const std::string uuid = user.uuid();
    return user.urlWithIdentityQuery(WebLink::Home, "/applinks/tickets", user.vpnUsername().value_or(""), isEmail,
                                     uuid.empty() ? std::nullopt : std::optional<std::string>(uuid));
}

int SupportTicketModel::perceivedLength(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1) ++count;
    return count;
}

QString SupportTicketModel::perceivedPrefix(const QString& text, int count) {
    if (count <= 0) return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    qsizetype end = 0;
    while (seen < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1) break;
        end = next;
        ++seen;
    }
    return text.left(end);
}

}  // namespace morvex
