#include "app/QtAlertPresenter.h"

#include "appkit/AlertSheet.h"
#include "appkit/Window.h"

namespace morvex {

namespace {
appkit::AlertSheet* makeSheet(const AlertRequest& request) {
    auto* sheet = new appkit::AlertSheet;
    sheet->setMessageText(request.title);
    sheet->setInformativeText(request.message);
    switch (request.style) {
    case 1: sheet->setAlertStyle(appkit::AlertStyle::Informational); break;
    case 2: sheet->setAlertStyle(appkit::AlertStyle::Critical); break;
    default: sheet->setAlertStyle(appkit::AlertStyle::Warning); break;
    }
    for (const auto& title : request.buttons) sheet->addButton(title);
    if (request.accessory) sheet->setAccessoryView(request.accessory);
    return sheet;
}
}  // namespace

bool QtAlertPresenter::present(AlertRequest request) {
    appkit::Window* window = request.window ? request.window : appkit::Application::shared().firstWindow();
    if (!window) {
        delete request.accessory;
        return false;
    }
    auto* sheet = makeSheet(request);
    return sheet->beginSheetModalForWindow(window, [completion = std::move(request.completion)](appkit::ModalResponse r) {
        if (completion) completion(r);
    });
}

void QtAlertPresenter::dismissSheet() {
    appkit::Window* window = appkit::Application::shared().firstWindow();
    if (!window) return;
    if (auto* alert = qobject_cast<appkit::AlertSheet*>(window->attachedSheet())) window->endSheet(alert);
}

long QtAlertPresenter::runModal(AlertRequest request) {
    auto* sheet = makeSheet(request);
    const long response = sheet->runModal();
    sheet->deleteLater();
    if (request.completion) request.completion(response);
    return response;
}

}  // namespace morvex
