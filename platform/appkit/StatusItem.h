#pragma once
// The application's item in the desktop's status area (a StatusNotifierItem where the session
// offers a status-notifier host, else the tray of the X11 desktop). Menu entries are data: the
// caller hands the items each time a menu is shown and hears back which one was chosen.
//
// Without a status area (isAvailable() false: a plain session, the offscreen platform) the item
// exists but shows nothing; the application must then keep its window reachable by other means.
//
// Threads: main thread.
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSystemTrayIcon;

namespace morvex::appkit {

struct MenuItem {
    std::string title;
    std::string keyEquivalent;  // shown as a shortcut hint ("q" → Ctrl+Q); empty for none
    bool enabled = true;
    bool separator = false;
};

class StatusItem : public QObject {
    Q_OBJECT
public:
    // True when the session shows status items.
    static bool isAvailable();

    StatusItem();
    ~StatusItem() override;

    // A named image of the main bundle.
    void setImage(std::string_view name);
    const std::string& imageName() const { return imageName_; }
    void setToolTip(std::string_view text);
    void setVisible(bool visible);
    bool isVisible() const;

    // A primary (left) click on the item.
    void setClickHandler(std::function<void()> handler) { onClick_ = std::move(handler); }
    // The secondary-click menu: items computed when it opens; `chosen` hears the index.
    void setMenuProvider(std::function<std::vector<MenuItem>()> provider, std::function<void(std::size_t)> chosen);

    // Shows a menu of the items at the item (for a click handler); `closed` runs when it goes,
    // after `chosen` when an item was chosen.
    void popUpMenu(const std::vector<MenuItem>& items, std::function<void(std::size_t)> chosen,
                   std::function<void()> closed = {});

    // The menu shown by popUpMenu while it is open (tests choose from it).
    QMenu* openMenu() const { return openMenu_; }
    // The secondary-click menu; it is filled from the provider each time it is about to show.
    QMenu* contextMenu() const { return contextMenu_.get(); }
    void click() { if (onClick_) onClick_(); }

private:
    static void fill(QMenu& menu, const std::vector<MenuItem>& items, std::function<void(std::size_t)> chosen);

    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> contextMenu_;
    QPointer<QMenu> openMenu_;
    std::string imageName_;
    std::function<void()> onClick_;
    std::function<std::vector<MenuItem>()> provider_;
    std::function<void(std::size_t)> providerChosen_;
};

}  // namespace morvex::appkit
