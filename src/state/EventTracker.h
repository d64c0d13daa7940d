#pragma once
// Usage and diagnostics events for the analytics service. Callers name a numbered event (0-170)
// and optional properties; the tracker adds what every event of that kind carries ("time" for the
// connection events, "ip" when the public address is known) and hands it to the analytics client.
// Creation registers the super properties "app_release_code", "test_group" and "locale".
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class AnalyticsClient;

// The application's view of the analytics SDK.
class EventTracking {
public:
    virtual ~EventTracking() = default;
    virtual bool useIPAddressForGeoLocation() const = 0;
    virtual void setUseIPAddressForGeoLocation(bool use) = 0;
    virtual void track(const std::string& event, const Dictionary& properties) = 0;
    virtual void identify(const std::string& distinctId, bool usePeople, std::function<void()> completion) = 0;
    virtual void registerSuperProperties(const Dictionary& properties) = 0;
    virtual void time(const std::string& event) = 0;
    virtual void clearSuperProperties() = 0;
    virtual void reset(std::function<void()> completion) = 0;
};

// EventTracking over an AnalyticsClient (the main instance unless another is given).
class AnalyticsClientTracking final : public EventTracking {
public:
    AnalyticsClientTracking();
    explicit AnalyticsClientTracking(AnalyticsClient& client) : client_(client) {}
    bool useIPAddressForGeoLocation() const override;
    void setUseIPAddressForGeoLocation(bool use) override;
    void track(const std::string& event, const Dictionary& properties) override;
    void identify(const std::string& distinctId, bool usePeople, std::function<void()> completion) override;
    void registerSuperProperties(const Dictionary& properties) override;
    void time(const std::string& event) override;
    void clearSuperProperties() override;
    void reset(std::function<void()> completion) override;

private:
    AnalyticsClient& client_;
};

// The events in number order; the case name is the name the service receives.
enum class AnalyticsEvent : int {
    app_launched, app_connected, app_disconnected, app_login_failed, app_cities_viewed,
    app_expiry_popup_shown, app_expiry_renew_clicked, app_view_grace_period_popup,
    app_click_grace_period_popup, app_logged_in, app_utc, app_connect, app_utb, app_route_member_area,
    app_view_expiry_message, app_view_live_chat_popup, app_route_live_chat, app_updated, app_ttc,
    app_update_available, app_update_start, app_update_ignored, app_submit_feedback, app_mark_favorite,
    app_cancelled, app_api_response_time, app_api_failure, app_launch_time, app_location_load_time,
    app_ping_time, app_view_migration_popup, app_proceed_migration, app_credentials_not_found,
    app_fail_fetch_account_info, app_multiple_credentials_found, app_view_email_signup,
    app_skip_email_signup, app_view_code_verification, app_done_code_verification,
    app_resend_code_verification, app_view_payment_screen, app_fail_store_plans_api,
    app_fail_fetch_store_plans, app_start_purchase, app_cancel_purchase, app_fail_purchase,
    app_complete_purchase, app_issue_account, app_fail_issue_account, app_start_restore,
    app_complete_restore, app_issue_account_restore, app_fail_restore, app_fail_restore_missing_credentials,
    app_fail_restore_issue_account, app_view_session_prompt, app_rate_session, app_feedback_session,
    app_fail_feedback_session, app_refer_a_friend, app_store_rating, app_view_troubleshoot,
    app_start_troubleshoot, app_complete_troubleshoot, app_click_cta_troubleshoot, app_cancel_troubleshoot,
    app_toggle_iks, app_manage_subscription, app_recommended_location_response, app_block_internet_iks,
    app_resume_internet_iks, app_fail_get_connected_location, app_helpertool, app_test_activation_time,
    app_view_update_email, app_update_email, app_fail_update_email, app_toggle_connect_to_fallback,
    app_click_support_ticket, app_done_kill_dedicatedip_session, app_fail_kill_dedicatedip_session,
    app_proceed_kill_dedicatedip_session, app_view_kill_dedicatedip_session_popup, app_addon_data_mismatch,
    app_view_refer_a_friend, app_click_refer_a_friend, app_fail_refer_a_friend_invite,
    app_view_firewall_policies, app_fail_get_firewall_policies, app_click_retry_firewall_policies,
    app_view_connection_details, app_set_theme, app_click_addon, app_receive_notification,
    app_view_notification, app_click_notification, app_clear_notification, app_clear_all_notifications,
    app_view_notification_center, app_view_connection_over_connection_popup,
    app_accept_connection_over_connection_popup, app_disable_already_connected_popup,
    app_view_already_connected_popup, app_open_push_notification, app_click_addon_details,
    app_view_switch_server_popup, app_empty_nas_identifier, app_cancel_switch_server_popup,
    app_accept_switch_server_popup, app_submit_request_location, app_submit_request_location_comments,
    app_click_recommended_location, app_view_faqs, app_toggle_ondemand_vpn, app_add_ondemand_domain,
    app_remove_ondemand_domain, app_view_onboarding, app_change_language, app_click_signup,
    app_hide_dock_icon, app_click_filter, app_filter_list, app_view_promotional_offer_screen,
    app_click_rate_us, app_click_reddit, app_click_live_chat_extension, app_fail_ping,
    app_fail_parse_dislike_reasons, app_request_store_products, app_fail_store_products,
    app_receive_store_products, app_view_intercom, app_fail_load_locations, app_click_login,
    app_route_web_login, app_return_web_login, app_fail_fetch_user_details,
    app_click_retry_fetch_user_details, app_unpaid_popup_shown, app_unpaid_popup_clicked, app_logout,
    app_view_loggedin_appleid, app_view_missing_appleid, app_click_login_appleid, app_request_swap_token,
    app_view_protocol_switch_reconnect_popup, app_accept_protocol_switch_reconnect_popup,
    app_click_switch_server, app_view_settings_screen, app_view_devices_screen, app_view_profile_screen,
    app_toggle_personalized_server, app_change_protocol, app_click_ideas_forum, app_click_support_center,
    app_click_clear_preferences, app_clear_preferences, app_view_location_screen,
    app_view_invalid_deeplink_popup, app_view_deeplink_popup, app_detect_ip_mismatch,
    app_view_support_screen, app_click_beta_community, app_click_slack_channel, app_view_topbar,
    app_click_topbar_primary_cta, app_click_topbar_secondary_cta, app_click_close_topbar,
    app_click_troubleshoot_screen, app_click_troubleshoot_reason, app_install
};

inline constexpr int kAnalyticsEventCount = 171;
inline constexpr std::array<std::string_view, kAnalyticsEventCount> kAnalyticsEventNames = {
    "app_launched", "app_connected", "app_disconnected", "app_login_failed", "app_cities_viewed",
    "app_expiry_popup_shown", "app_expiry_renew_clicked", "app_view_grace_period_popup",
    "app_click_grace_period_popup", "app_logged_in", "app_utc", "app_connect", "app_utb",
    "app_route_member_area", "app_view_expiry_message", "app_view_live_chat_popup", "app_route_live_chat",
    "app_updated", "app_ttc", "app_update_available", "app_update_start", "app_update_ignored",
    "app_submit_feedback", "app_mark_favorite", "app_cancelled", "app_api_response_time", "app_api_failure",
    "app_launch_time", "app_location_load_time", "app_ping_time", "app_view_migration_popup",
    "app_proceed_migration", "app_credentials_not_found", "app_fail_fetch_account_info",
    "app_multiple_credentials_found", "app_view_email_signup", "app_skip_email_signup",
    "app_view_code_verification", "app_done_code_verification", "app_resend_code_verification",
    "app_view_payment_screen", "app_fail_store_plans_api", "app_fail_fetch_store_plans",
    "app_start_purchase", "app_cancel_purchase", "app_fail_purchase", "app_complete_purchase",
    "app_issue_account", "app_fail_issue_account", "app_start_restore", "app_complete_restore",
    "app_issue_account_restore", "app_fail_restore", "app_fail_restore_missing_credentials",
    "app_fail_restore_issue_account", "app_view_session_prompt", "app_rate_session", "app_feedback_session",
    "app_fail_feedback_session", "app_refer_a_friend", "app_store_rating", "app_view_troubleshoot",
    "app_start_troubleshoot", "app_complete_troubleshoot", "app_click_cta_troubleshoot",
    "app_cancel_troubleshoot", "app_toggle_iks", "app_manage_subscription",
    "app_recommended_location_response", "app_block_internet_iks", "app_resume_internet_iks",
    "app_fail_get_connected_location", "app_helpertool", "app_test_activation_time", "app_view_update_email",
    "app_update_email", "app_fail_update_email", "app_toggle_connect_to_fallback",
    "app_click_support_ticket", "app_done_kill_dedicatedip_session", "app_fail_kill_dedicatedip_session",
    "app_proceed_kill_dedicatedip_session", "app_view_kill_dedicatedip_session_popup",
    "app_addon_data_mismatch", "app_view_refer_a_friend", "app_click_refer_a_friend",
    "app_fail_refer_a_friend_invite", "app_view_firewall_policies", "app_fail_get_firewall_policies",
    "app_click_retry_firewall_policies", "app_view_connection_details", "app_set_theme", "app_click_addon",
    "app_receive_notification", "app_view_notification", "app_click_notification", "app_clear_notification",
    "app_clear_all_notifications", "app_view_notification_center",
    "app_view_connection_over_connection_popup", "app_accept_connection_over_connection_popup",
    "app_disable_already_connected_popup", "app_view_already_connected_popup", "app_open_push_notification",
    "app_click_addon_details", "app_view_switch_server_popup", "app_empty_nas_identifier",
    "app_cancel_switch_server_popup", "app_accept_switch_server_popup", "app_submit_request_location",
    "app_submit_request_location_comments", "app_click_recommended_location", "app_view_faqs",
    "app_toggle_ondemand_vpn", "app_add_ondemand_domain", "app_remove_ondemand_domain",
    "app_view_onboarding", "app_change_language", "app_click_signup", "app_hide_dock_icon",
    "app_click_filter", "app_filter_list", "app_view_promotional_offer_screen", "app_click_rate_us",
    "app_click_reddit", "app_click_live_chat_extension", "app_fail_ping", "app_fail_parse_dislike_reasons",
    "app_request_store_products", "app_fail_store_products", "app_receive_store_products",
    "app_view_intercom", "app_fail_load_locations", "app_click_login", "app_route_web_login",
    "app_return_web_login", "app_fail_fetch_user_details", "app_click_retry_fetch_user_details",
    "app_unpaid_popup_shown", "app_unpaid_popup_clicked", "app_logout", "app_view_loggedin_appleid",
    "app_view_missing_appleid", "app_click_login_appleid", "app_request_swap_token",
    "app_view_protocol_switch_reconnect_popup", "app_accept_protocol_switch_reconnect_popup",
    "app_click_switch_server", "app_view_settings_screen", "app_view_devices_screen",
    "app_view_profile_screen", "app_toggle_personalized_server", "app_change_protocol",
    "app_click_ideas_forum", "app_click_support_center", "app_click_clear_preferences",
    "app_clear_preferences", "app_view_location_screen", "app_view_invalid_deeplink_popup",
    "app_view_deeplink_popup", "app_detect_ip_mismatch", "app_view_support_screen",
    "app_click_beta_community", "app_click_slack_channel", "app_view_topbar", "app_click_topbar_primary_cta",
    "app_click_topbar_secondary_cta", "app_click_close_topbar", "app_click_troubleshoot_screen",
    "app_click_troubleshoot_reason", "app_install"
};

constexpr std::string_view eventName(AnalyticsEvent e) { return kAnalyticsEventNames[static_cast<std::size_t>(e)]; }
// The event of a number; nothing outside 0-170.
std::optional<AnalyticsEvent> analyticsEvent(int number);

class EventTracker {
public:
    // The main analytics instance, AppPreferences over the standard defaults and PreservedPreferences
    // over a new User.
    EventTracker();
    EventTracker(std::shared_ptr<EventTracking> mixpanel, AppPreferences appPreference,
                 PreservedPreferences preservedPreference);

    void track(AnalyticsEvent event, const std::optional<Dictionary>& properties = std::nullopt);
    // By number; a number outside 0-170 is logged and sends nothing.
    void track(int event, const std::optional<Dictionary>& properties = std::nullopt);
    void identify(const std::string& distinctId, const std::string& username, bool isGroupB);

    EventTracking& mixpanel() const { return *mixpanel_; }

private:
    void registerLaunchSuperProperties();

    std::shared_ptr<EventTracking> mixpanel_;
    AppPreferences appPreference_;
    PreservedPreferences preservedPreference_;
};

}  // namespace morvex
