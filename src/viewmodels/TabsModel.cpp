#include "viewmodels/TabsModel.h"

#include "viewmodels/NotificationsListModel.h"

namespace morvex {

TabsModel::TabsModel(User user, EventTracker eventTracker, PreservedPreferences preservedPreferences,
                     ManagedObjectContext* notices)
    : user(std::move(user)),
      eventTracker(std::move(eventTracker)),
      preservedPreferences(std::move(preservedPreferences)),
      notices_(notices) {}

ManagedObjectContext& TabsModel::managedObjectContext() const {
    return notices_ ? *notices_ : CoreDataService::shared().managedObjectContext();
}

std::int64_t TabsModel::badgeCount() const {
    const std::int64_t unread = NotificationsListModel::unreadCount(managedObjectContext(), user.vpnUsername());
    User record = user;
    if (record.unreadNotificationCount() != unread) record.setUnreadNotificationCount(unread);
    return unread;
}

TabsModel::IconImages TabsModel::iconImages(std::int64_t selectedRaw) {
    IconImages images;
    for (std::size_t i = 0; i < kIcons.size(); ++i)
        images[i] = std::string(rawValue(kIcons[i].page) == selectedRaw ? kIcons[i].selected : kIcons[i].plain);
    return images;
}

TabsModel::IconImages TabsModel::hoveredIconImages(std::int64_t selectedRaw, std::string_view hoverViewId) {
    auto images = iconImages(selectedRaw);
    // The selected tab keeps its white icon: its pill is drawn in the hover colour.
    if (auto index = iconIndex(hoverViewId); index && rawValue(kIcons[*index].page) != selectedRaw)
        images[*index] = std::string(kIcons[*index].hover);
    return images;
}

std::optional<std::size_t> TabsModel::iconIndex(std::string_view hoverViewId) {
    for (std::size_t i = 0; i < kIcons.size(); ++i)
        if (kIcons[i].hoverViewId == hoverViewId) return i;
    return std::nullopt;
}

bool TabsModel::pageHasTab(MainTab page) { return page != MainTab::Notifications && page != MainTab::About; }

bool TabsModel::isPinvaultAddonActive() const {
    if (!preservedPreferences.isB2C()) return false;
    const auto addons = user.activeAddons();
    if (!addons || addons->empty()) return false;
    for (const auto& addon : *addons)
        if (addon.slug.find("pinvault") != std::string::npos) return true;
    return false;
}

}  // namespace morvex
