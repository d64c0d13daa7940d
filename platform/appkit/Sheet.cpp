#include "appkit/Sheet.h"

#include <QEventLoop>

#include "appkit/Window.h"

namespace morvex::appkit {

Sheet::Sheet() { setAttribute(Qt::WA_DeleteOnClose, false); }

Sheet::~Sheet() {
    if (modalLoop_) modalLoop_->exit();
}

void Sheet::attach(Window* window) {
    window_ = window;
    setParent(window, Qt::Dialog | Qt::Sheet);
    setWindowModality(Qt::WindowModal);
}

void Sheet::markEnded(ModalResponse response) {
    ended_ = true;
    response_ = response;
}

void Sheet::end(ModalResponse response) {
    if (ended_) return;
    if (window_) {
        window_->endSheet(this, response);
        return;
    }
    markEnded(response);
    hide();
    if (modalLoop_) modalLoop_->exit();
}

ModalResponse Sheet::runModal() {
    ended_ = false;
    response_.reset();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    QEventLoop loop;
    modalLoop_ = &loop;
    if (!ended_) loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
    return response_.value_or(modal::abort);
}

void Sheet::reject() { end(modal::cancel); }

}  // namespace morvex::appkit
