#include "viewmodels/ConnectionFeedbackModels.h"

#include <QDate>
#include <QDateTime>

#include "catalog/PersonalizeServerModel.h"
#include "foundation/Bundle.h"
#include "model/BundleInfo.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
// Users this many weeks after signing up are asked for a store rating after a good connection.
constexpr std::int64_t kFollowUpWeeks = 5;
}  // namespace

std::string_view rawValue(FeedbackRating rating) {
    switch (rating) {
        case FeedbackRating::good: return "good";
        case FeedbackRating::bad: return "bad";
        case FeedbackRating::remindMeLater: return "remind me later";
    }
    return "";
}

bool feedbackDue(const AppPreferences& preferences) {
    const auto current = preferences.onGoingConnectionId();
    const auto rated = preferences.lastFeedbackConnectionId();
    if (!current && !rated) return false;
    return current != rated;
}

DashboardFeedbackModel::Collaborators DashboardFeedbackModel::defaults() {
    return {[] { return MorvexVPNService::makeZevu().currentConnectionInfo(); }, AppPreferences(), PreservedPreferences(),
            MorvexVPNService::makeEventTracker(), User()};
}

DashboardFeedbackModel::DashboardFeedbackModel(Collaborators c) : c_(std::move(c)) {}

std::pair<bool, std::string> DashboardFeedbackModel::isRatingPrompt() const {
    return {c_.preservedPreference.desiredOutcomeAchieved(), localized("connection.rating.greetings.message")};
}

Dictionary DashboardFeedbackModel::promptProperties(bool isRating) const {
    Dictionary properties =
        c_.appPreference.defaults().dictionary(AppPreferences::Key::mixpanelConnectedProperties).value_or(Dictionary{});
    properties["type"] = isRating ? "rating" : "DO";
    properties["prompt-type"] = "in-session";
    return properties;
}

void DashboardFeedbackModel::trackPromptShown(bool isRating) {
    c_.eventTracker.track(AnalyticsEvent::app_view_session_prompt, promptProperties(isRating));
}

void DashboardFeedbackModel::trackRating(FeedbackRating rating, bool isRating) {
    const ZevuTypes::ConnectionInfo info = c_.connectionInfo ? c_.connectionInfo() : ZevuTypes::ConnectionInfo{};
    Dictionary properties =
        c_.appPreference.defaults().dictionary(AppPreferences::Key::mixpanelConnectedProperties).value_or(Dictionary{});
    properties["server_ip"] = info.connectedIp.value_or("");
    properties["server_dns"] = info.connectionDns.value_or("");
    properties["selected_protocol_name"] = info.selectedProtocol;
    properties["dialed_protocol_name"] = info.dialedProtocol.value_or("");
    properties["type"] = isRating ? "rating" : "DO";
    properties["prompt-type"] = "in-session";
    properties["rating"] = std::string(rawValue(rating));
    c_.eventTracker.track(AnalyticsEvent::app_rate_session, properties);
}

void DashboardFeedbackModel::recordLike(bool liked) {
    const auto last = c_.appPreference.lastConnection();
    const std::string code = last && last->server ? last->server->code : std::string();
    PersonalizeServerModel(c_.preservedPreference, c_.appPreference).recordFeedback(code, liked);
}

void DashboardFeedbackModel::markConnectionRated() {
    c_.appPreference.setLastFeedbackConnectionId(c_.appPreference.onGoingConnectionId());
}

FeedbackFollowUp DashboardFeedbackModel::recordGoodRating() {
    trackRating(FeedbackRating::good, c_.preservedPreference.desiredOutcomeAchieved());
    markConnectionRated();
    c_.preservedPreference.setDesiredOutcomeAchieved(true);
    const auto signUp = c_.user.signUpDate();
    const QDate date = signUp ? QDate::fromString(QString::fromStdString(*signUp), QStringLiteral("yyyy-MM-dd")) : QDate();
    if (!date.isValid()) return FeedbackFollowUp::none;
    const Date signedUp{static_cast<double>(date.startOfDay().toSecsSinceEpoch())};
    if (weeksSinceDate(signedUp) < kFollowUpWeeks) return FeedbackFollowUp::none;
    if (!c_.preservedPreference.ratedOnStore()) return FeedbackFollowUp::rateOnStore;
    if (!c_.preservedPreference.referredAFriend()) return FeedbackFollowUp::referAFriend;
    return FeedbackFollowUp::none;
}

}  // namespace morvex
