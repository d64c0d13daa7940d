#pragma once
// The notification centre page of the main window: the list of the service's messages, each with
// its icon, text, day, up to two call-to-action buttons and a close box (persistent ones have
// none), or a short text when there are none. It is also where the actions that arrive from
// outside are carried out (NotificationsListModel's entry points), for as long as it lives.
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
    // Reads the list again from the store (the signed-in user's notices for this version).
    void reload();
    void setAppearance(appkit::Appearance appearance);

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
    ManagedObjectContext* context_;
    appkit::Appearance appearance_ = appkit::Appearance::Aqua;
    std::vector<ObserverToken> observers_;
    QPointer<QScrollArea> scroll_;
    QPointer<QWidget> list_;
    QPointer<QVBoxLayout> rows_;
    QPointer<QLabel> empty_;
};

}  // namespace morvex
