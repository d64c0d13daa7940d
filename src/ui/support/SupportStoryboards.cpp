#include "ui/support/SupportStoryboards.h"

#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "ui/support/GetHelpViewController.h"
#include "ui/support/SubmitTicketNewViewController.h"
#include "ui/support/SupportViewController.h"

namespace morvex {

void registerSupportStoryboards() {
    appkit::Storyboard::define(kMainStoryboard).scene("SupportViewController", [] { return new SupportViewController1; });
    appkit::Storyboard::define(SupportViewController1::kStoryboard)
        .scene(SupportViewController1::kGetHelpScene, [] { return new GetHelpViewController; })
        .scene(SupportViewController1::kSubmitTicketNewScene, [] { return new SubmitTicketNewViewController; });
}

}  // namespace morvex
