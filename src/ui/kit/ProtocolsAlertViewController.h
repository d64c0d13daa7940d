#pragma once
// A small sheet about protocol matters: an optional title, a message, a primary button and an
// optional second one. Each button closes the sheet first and then runs its action, if any. The
// sheet sizes itself to its texts: the wrapped height of the title, the message and the primary
// button's title at their widths, plus the spacing around them (70 with a title, 50 without).
// Without a configuration it keeps its scene's own texts and its buttons only close it.
//
// Scene "ProtocolsAlertViewController" of the storyboard "Protocols"; the presenter sets `config`
// before the view loads (after instantiating it, or in prepareForSegue).
//
// Threads: main thread only. The controller owns its configuration and the actions' captures.
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "appkit/ViewController.h"

class QLabel;
class QPushButton;

namespace morvex {

struct ProtocolAlertConfig {
    std::optional<std::string> alertTitle;
    std::string alertMessage;
    std::string primaryButtonCTA;
    std::optional<std::string> secondaryButtonCTA;
    std::function<void()> primaryButtonAction;
    std::function<void()> secondaryButtonAction;
};

class ProtocolsAlertViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboard = "Protocols";
    static constexpr std::string_view kStoryboardID = "ProtocolsAlertViewController";
    static constexpr int kWidth = 300;
    static constexpr int kBaseHeightWithTitle = 70;
    static constexpr int kBaseHeightWithoutTitle = 50;

    explicit ProtocolsAlertViewController(QObject* parent = nullptr);
    ~ProtocolsAlertViewController() override;

    // The sheet from its scene, or null when the scene is not registered.
    static ProtocolsAlertViewController* instantiate();

    std::optional<ProtocolAlertConfig> config;

    QPointer<QLabel> alertTitle;
    QPointer<QLabel> alertMessage;
    QPointer<QPushButton> primaryButton;
    QPointer<QPushButton> secondaryButton;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // The height the texts need with the given base height.
    int contentHeight(int baseHeight) const;

    void primaryActionTapped();
    void secondaryActionTapped();

private:
    void configureFromConfig();
    void applyLook();
    void close(const std::function<void()>& action);
};

}  // namespace morvex
