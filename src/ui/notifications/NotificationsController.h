#pragma once
// The notification centre page of the main window: the list of the service's messages, each with
// its icon, text, day, up to two call-to-action buttons and a close box (persistent ones have
// none), or a short text when there are none (also when the service's answer failed). Showing the
// page reads the list: every notice listed is marked seen and the tab's unread badge drops. The
// list is the local store's; the application's NotificationsInbox fills it from the service and
// carries out the pushes from outside.
//
// Threads: main thread only.
#include <QPointer>
#include <memory>
#include <vector>

#include "appkit/Appearance.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/NotificationsListModel.h"

class QLabel;
class QVBoxLayout;
class QScrollArea;

namespace morvex {

class NotificationsController : public appkit::ViewController {
    Q_OBJECT
public:
    // A page over the shared store's context, or over the one given (tests).
    explicit NotificationsController(std::unique_ptr<NotificationsListModel> model = nullptr,
                                     ManagedObjectContext* context = nullptr, QObject* parent = nullptr);

    NotificationsListModel& model() { return *model_; }
    static constexpr std::string_view kStoryboardID = "NotificationsController";

    // Reads the list again from the store (the signed-in user's notices for this version).
    void reload();
    // Light by default; the main window's page takes the application's appearance and follows it.
    void setAppearance(appkit::Appearance appearance);
    void followApplicationAppearance();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Accepts a notification and does nothing with it.
    void notificationCenterDidConfigure(const Notification&) {}

private:
    void rebuildRows();
    QWidget* makeRow(int row);
    void colourTitle(QLabel* title) const;

    std::unique_ptr<NotificationsListModel> model_;
    // The list's store; the shared one is opened when the page first shows, not when the main
    // content makes its pages at launch.
    ManagedObjectContext& store() const;
    ManagedObjectContext* context_;  // null: the shared store
    appkit::Appearance appearance_ = appkit::Appearance::Aqua;
    std::vector<ObserverToken> observers_;
    QPointer<QScrollArea> scroll_;
    QPointer<QWidget> list_;
    QPointer<QVBoxLayout> rows_;
    QPointer<QLabel> empty_;
};

}  // namespace morvex
