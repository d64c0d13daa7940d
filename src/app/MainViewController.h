#pragma once
// A page that shows the application's version, with the "submit feedback" action that opens the
// service's feedback page (with the usual link items) in the browser, from its own button. The
// application menu's "Version and feedback" opens it in a window of its own.
#include <string>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"

namespace morvex {

class MainViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit MainViewController(QObject* parent = nullptr);

    appkit::Observable<std::string> versionString;

    void loadView() override;
    // Sends "app_submit_feedback" and opens the feedback page; false when it could not be opened.
    bool submitFeedback();
    // The feedback page's address as it is opened.
    static std::string feedbackURL();

private:
    appkit::Subscription versionBinding_;
};

}  // namespace morvex
