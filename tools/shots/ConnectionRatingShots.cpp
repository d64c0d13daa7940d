// The connection rating form as a sheet, with the shipped reasons: untouched, a reason chosen with
// a comment typed, and the error of sending without a choice.
#include "Shots.h"

#include "ui/shell/EmptyPageViewController.h"
#include "appkit/Window.h"
#include "ui/support/ConnectionRating.h"

namespace morvex::shots {
namespace {

QImage render(const std::function<void(ConnectionRating&)>& arrange) {
    appkit::Window window(QSize(760, 500));
    window.setTitle("MorvexVPN");
    auto* host = new EmptyPageViewController;
    window.setContentViewController(host);
    window.show();
    auto c = ConnectionRating::defaults();
    // Nothing leaves the picture: no ticket is sent, no alert follows.
    c.model.networking = nullptr;
    c.showSwitchServer = [] {};
    auto* form = new ConnectionRating(std::move(c));
    if (!host->presentAsSheet(form)) return {};
    settle();
    arrange(*form);
    QImage image = renderWindow(window);
    if (auto* sheet = window.attachedSheet()) window.endSheet(sheet);
    return image;
}

QImage fresh(Context&) { return render([](ConnectionRating&) {}); }

QImage chosen(Context&) {
    return render([](ConnectionRating& form) {
        if (form.optionButtons().empty()) return;
        form.optionSelected(0);
        form.messageBox()->setPlainText(QStringLiteral("Video calls stutter in the evening."));
    });
}

QImage noChoice(Context&) {
    return render([](ConnectionRating& form) { form.submitButtonClicked(); });
}

// A ticket that could not be sent: the choice and the comment stay, the failure shows.
QImage sendFailed(Context&) {
    return render([](ConnectionRating& form) {
        if (form.optionButtons().empty()) return;
        form.optionSelected(0);
        form.messageBox()->setPlainText(QStringLiteral("Video calls stutter in the evening."));
        form.submitButtonClicked();  // no service client here: it fails
        settle();
    });
}

const Registration shots({
    {"connection-rating", "choices", fresh},
    {"connection-rating", "chosen", chosen},
    {"connection-rating", "no-choice", noChoice},
    {"connection-rating", "send-failed", sendFailed},
});

}  // namespace
}  // namespace morvex::shots
