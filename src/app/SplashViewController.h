#pragma once
// The product's logo for three seconds, then the sign-in page of its storyboard in its place. It
// sizes the application's first window to the standard content size. The application's own
// storyboard has no splash: a launch shows the sign-in page's loading state instead.
#include <string_view>

#include "appkit/ViewController.h"

namespace morvex {

class SplashViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kLoginStoryboardID = "LoginStoryboardID";
    static constexpr double kDisplaySeconds = 3.0;
    static constexpr const char* kLogoImage = "Logo_doc";

    explicit SplashViewController(QObject* parent = nullptr);

    void loadView() override;
    void viewDidLoad() override;
    // Puts the sign-in page into the splash's window; the splash stays when its storyboard has no
    // such page or the page is no view controller.
    void showLogin();
};

}  // namespace morvex
