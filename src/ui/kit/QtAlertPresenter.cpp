#include "ui/kit/QtAlertPresenter.h"

#include "alerts/Alert.h"
#include "appkit/AlertSheet.h"
#include "foundation/Log.h"

namespace morvex {

namespace {
appkit::AlertSheet* makeSheet(const Alert& alert) {
    auto* sheet = new appkit::AlertSheet;
    sheet->setMessageText(alert.title);
    if (alert.message) sheet->setInformativeText(*alert.message);
    switch (alert.style) {
    case Alert::Style::informational: sheet->setAlertStyle(appkit::AlertStyle::Informational); break;
    case Alert::Style::critical: sheet->setAlertStyle(appkit::AlertStyle::Critical); break;
    case Alert::Style::warning: sheet->setAlertStyle(appkit::AlertStyle::Warning); break;
    }
    // The alert's own list, its default button included, so titles and answers agree with it.
    for (const auto& title : alert.shownButtons()) sheet->addButton(title);
    if (auto* accessory = dynamic_cast<QtAlertAccessory*>(alert.accessory.get())) {
        if (QWidget* view = accessory->take()) sheet->setAccessoryView(view);
    }
    return sheet;
}

bool isButton(ModalResponse response, std::size_t buttons) {
    return response >= alertFirstButtonReturn && response < alertFirstButtonReturn + ModalResponse(buttons);
}
}  // namespace

QtAlertAccessory::~QtAlertAccessory() {
    if (view_ && !view_->parent()) delete view_.data();
}

QWidget* QtAlertAccessory::take() {
    QWidget* view = view_;
    view_ = nullptr;
    return view;
}

std::shared_ptr<AlertWindow> QtAlertPresenter::alertWindow(appkit::Window* window) {
    return window ? std::make_shared<QtAlertWindow>(window) : nullptr;
}

void QtAlertPresenter::beginSheet(const Alert& alert, AlertHandler handler) { beginSheet(alert, std::move(handler), {}); }

bool QtAlertPresenter::beginSheet(const Alert& alert, AlertHandler handler, AlertHandler endedOtherwise) {
    appkit::Window* window = nullptr;
    if (auto* given = dynamic_cast<QtAlertWindow*>(alert.window.get())) window = given->window();
    // A window that has gone (its screen closed while the alert was on its way) gives its place to
    // the main window, as an alert that names none.
    if (!window) window = appkit::Application::shared().firstWindow();
    if (!window) {
        log::print("[Alert] No window to attach \"" + alert.title + "\" to; not shown.");
        return false;
    }
    const std::size_t buttons = alert.shownButtons().size();
    auto* sheet = makeSheet(alert);
    return sheet->beginSheetModalForWindow(window, [handler = std::move(handler), endedOtherwise = std::move(endedOtherwise),
                                                    buttons](appkit::ModalResponse response) {
        if (isButton(response, buttons)) {
            if (handler) handler(response);
        } else if (endedOtherwise) {
            endedOtherwise(response);
        }
    });
}

ModalResponse QtAlertPresenter::runModal(const Alert& alert) {
    auto* sheet = makeSheet(alert);
    const ModalResponse response = sheet->runModal();
    sheet->deleteLater();
    return response;
}

void QtAlertPresenter::endAttachedAlertSheet() {
    appkit::Window* window = appkit::Application::shared().firstWindow();
    if (!window) return;
    if (auto* alert = qobject_cast<appkit::AlertSheet*>(window->attachedSheet())) window->endSheet(alert);
}

}  // namespace morvex
