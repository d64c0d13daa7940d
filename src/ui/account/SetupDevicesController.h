#pragma once
// The main window's page for setting up other devices: one account protects every platform, and
// each platform's box opens its download page in the browser. The six platform buttons are fixed
// and known by their tag (SetupDevicesModel::Platform). A list of platforms that the service
// describes (`content`) is asked for each time the page appears and shown in SetupDevicesRow rows
// below them; a failed answer keeps the buttons and the last rows, says so and offers a retry.
//
// Threads: main thread only.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/Lifetime.h"
#include "viewmodels/SetupDevicesModel.h"

class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace morvex {

class CustomView;

// A platform the service described: its icon (for the look of the row's window), its name, and a
// click opens its page. Hovering paints the box in the device-row colour.
class SetupDevicesRow : public QWidget {
    Q_OBJECT
public:
    explicit SetupDevicesRow(QWidget* parent = nullptr);

    void setObjectValue(const SetupDevicesModel::Devices::Device& device);
    const std::optional<SetupDevicesModel::Devices::Device>& objectValue() const { return value_; }
    bool hovered = false;
    // The icon shown now (null when the record's text is no image).
    const QImage& iconImage() const { return iconImage_; }
    // Opens the row's page when its "url" is a single whole link.
    void openURLClicked();

    QFrame* backgroundBox;
    QLabel* icon;
    QLabel* title;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshIcon();
    void paintBox();
    std::optional<SetupDevicesModel::Devices::Device> value_;
    QImage iconImage_;
};

class SetupDevicesController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "SetupOtherDevicesViewController";

    explicit SetupDevicesController(QObject* parent = nullptr);

    SetupDevicesModel model;
    bool loading = false;
    std::optional<std::string> errorMessage;
    // The service's platforms; rows are rebuilt when it is set.
    const std::optional<std::vector<SetupDevicesModel::Devices::Device>>& content() const { return content_; }
    void setContent(std::optional<std::vector<SetupDevicesModel::Devices::Device>> devices);

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Asks the service for its platforms (the retry button's action too).
    void fetchDevices();

    // The action of every platform button: opens the page of the platform with that tag.
    void openUrl(int tag);

    QPointer<QLabel> lblDesp;
    // The failed answer's message and its retry, shown only after a failure.
    QPointer<QLabel> errorLabel;
    QPointer<QPushButton> retryButton;
    // The platform buttons, by tag.
    std::vector<QPointer<QPushButton>> platformButtons;

private:
    void rebuildRows();
    void refreshStatus();
    Lifetime lifetime_;
    std::optional<std::vector<SetupDevicesModel::Devices::Device>> content_;
    QPointer<QVBoxLayout> rows_;
};

}  // namespace morvex
