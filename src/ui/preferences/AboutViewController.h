#pragma once
// The about page of the preferences: the application's version, a short description, a link to
// the product's web page, the update check of the settings pages and a way back to the
// dashboard.
//
// Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "appkit/ViewController.h"
#include "foundation/Error.h"
#include "foundation/Lifetime.h"

namespace morvex {

// A wrapping text whose lines stand `spaceBetweenLines` points apart. The spacing is applied when
// it is set, to the text the field holds then; text set later draws with plain spacing.
class SpaceTextView : public QLabel {
    Q_OBJECT
public:
    explicit SpaceTextView(QWidget* parent = nullptr);

    double spaceBetweenLines() const { return spaceBetweenLines_; }
    void setSpaceBetweenLines(double points);

private:
    double spaceBetweenLines_ = 15.0;
};

class AboutViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "About";
    static constexpr std::string_view kStoryboardID = "AboutVCStoryboardID";

    using VersionCheck = std::function<void(std::function<void(std::optional<Error>)>)>;
    // The engine's version check by default.
    explicit AboutViewController(VersionCheck versionCheck = {}, QObject* parent = nullptr);

    void loadView() override;
    void viewDidLoad() override;

    // Back to the dashboard.
    void bacAction();
    // The product's web page, with the application's link query items, in the browser.
    void readmoreBtnClicked();
    void checkForUpdate();

    QLabel* versionLabel() const { return versionLabel_; }
    SpaceTextView* detailText() const { return detailText_; }
    QPushButton* readMoreButton() const { return readMoreButton_; }
    QPushButton* checkForUpdateButton() const { return checkForUpdateButton_; }
    QPushButton* backButton() const { return backButton_; }

private:
    VersionCheck versionCheck_;
    QPointer<QLabel> versionLabel_;
    QPointer<SpaceTextView> detailText_;
    QPointer<QPushButton> readMoreButton_;
    QPointer<QPushButton> checkForUpdateButton_;
    QPointer<QPushButton> backButton_;
    Lifetime lifetime_;
};

}  // namespace morvex
