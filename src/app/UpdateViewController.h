#pragma once
// The update page: the version on offer and its release notes, "install now" with the download's
// progress and remaining time, "remind me later" (or "quit" when the update is forced) and
// "cancel" while downloading. Its state and actions are UpdateModel's; this controller only lays
// them out and binds them. `UpdateView` is the small message view of the "check for update" sheet.
#include <memory>
#include <vector>

#include <QWidget>

#include "viewmodels/InitialModel.h"
#include "viewmodels/UpdateModel.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace morvex {

namespace appkit {
class WebView;
}

class UpdateViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit UpdateViewController(QObject* parent = nullptr);
    explicit UpdateViewController(std::unique_ptr<UpdateModel> model, QObject* parent = nullptr);
    ~UpdateViewController() override;

    UpdateModel& model() { return *model_; }
    // What the root sets from a version answer before it shows the page.
    void fill(bool forceUpdate, const InitialModel::UpdateInfo& info);

    void loadView() override;
    void viewWillAppear() override;
    void viewDidAppear() override;

private:
    std::unique_ptr<UpdateModel> model_;
    std::vector<appkit::Subscription> bindings_;
    QPointer<appkit::WebView> webView_;
    QPointer<QWidget> notesArea_;
    QPointer<QWidget> notesPlaceholder_;
};

// A view with one message text, the accessory of the "check for update" sheet.
class UpdateView : public QWidget {
    Q_OBJECT
public:
    explicit UpdateView(QWidget* parent = nullptr);
    appkit::Observable<std::optional<std::string>> message;

private:
    appkit::Subscription binding_;
};

}  // namespace morvex
