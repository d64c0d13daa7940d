#include "vpn/ConnectionModel.h"

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "model/EnumTable.h"

namespace morvex {

namespace {

using FeedbackType = ConnectionModel::Feedback::FeedbackType;

struct FeedbackRow {
    FeedbackType value;
    std::string_view raw;
    std::string_view textKey;
};

constexpr FeedbackRow kFeedbackTypes[] = {
    {FeedbackType::DO, "DO", "connection.feedback.text.desired.outcome"},
    {FeedbackType::Rating, "rating", "connection.feedback.text.rating"},
};

const FeedbackRow& rowOf(FeedbackType type) { return kFeedbackTypes[static_cast<std::size_t>(type)]; }

}  // namespace

std::string_view ConnectionModel::Feedback::rawValue(FeedbackType type) { return rowOf(type).raw; }

std::optional<FeedbackType> ConnectionModel::Feedback::feedbackTypeFromRaw(std::string_view raw) {
    for (const auto& row : kFeedbackTypes)
        if (row.raw == raw) return row.value;
    return std::nullopt;
}

std::string ConnectionModel::Feedback::text(FeedbackType type) { return localized(rowOf(type).textKey); }

ConnectionModel::Feedback ConnectionModel::Feedback::make(const PreservedPreferences& preferences) {
    return {preferences.desiredOutcomeAchieved() ? FeedbackType::Rating : FeedbackType::DO,
            localized("connection.rating.greetings.message")};
}

AutoDialModel::AutoDialModel(Zevu zevu_) : zevu(std::move(zevu_)) {}

void AutoDialModel::reconnect() {
    zevu.appPreference.setOnGoingConnectionId(connectionIdNow());
    if (!zevu.zevuManager) return;
    zevu.zevuManager->setDoCheckInternetConnectivity(false);
    zevu.zevuManager->reconnectVPN();
}

PortForwardingModel::PortForwardingModel() : PortForwardingModel(User(), EventTracker()) {}

PortForwardingModel::PortForwardingModel(User user_, EventTracker eventTracker_)
    : user(std::move(user_)), eventTracker(std::move(eventTracker_)) {}

}  // namespace morvex
