#include "appkit/StatusItem.h"

#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QSystemTrayIcon>

#include "appkit/Images.h"

namespace morvex::appkit {

bool StatusItem::isAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

StatusItem::StatusItem() : tray_(std::make_unique<QSystemTrayIcon>()), contextMenu_(std::make_unique<QMenu>()) {
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) click();
    });
    connect(contextMenu_.get(), &QMenu::aboutToShow, this, [this] {
        contextMenu_->clear();
        if (provider_) fill(*contextMenu_, provider_(), providerChosen_);
    });
}

StatusItem::~StatusItem() {
    if (openMenu_) openMenu_->deleteLater();
}

void StatusItem::setImage(std::string_view name) {
    imageName_ = std::string(name);
    tray_->setIcon(appkit::imageNamed(name));
}

void StatusItem::setToolTip(std::string_view text) {
    tray_->setToolTip(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void StatusItem::setVisible(bool visible) { tray_->setVisible(visible && isAvailable()); }

bool StatusItem::isVisible() const { return tray_->isVisible(); }

void StatusItem::setMenuProvider(std::function<std::vector<MenuItem>()> provider, std::function<void(std::size_t)> chosen) {
    provider_ = std::move(provider);
    providerChosen_ = std::move(chosen);
    tray_->setContextMenu(provider_ ? contextMenu_.get() : nullptr);
}

void StatusItem::fill(QMenu& menu, const std::vector<MenuItem>& items, std::function<void(std::size_t)> chosen) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(item.title));
        action->setEnabled(item.enabled);
        if (!item.keyEquivalent.empty())
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(item.keyEquivalent).toUpper()));
        QObject::connect(action, &QAction::triggered, &menu, [chosen, i] {
            if (chosen) chosen(i);
        });
    }
}

void StatusItem::popUpMenu(const std::vector<MenuItem>& items, std::function<void(std::size_t)> chosen,
                           std::function<void()> closed) {
    if (openMenu_) openMenu_->close();
    auto* menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fill(*menu, items, std::move(chosen));
    connect(menu, &QMenu::aboutToHide, this, [closed] {
        if (closed) QMetaObject::invokeMethod(qApp, closed, Qt::QueuedConnection);
    });
    openMenu_ = menu;
    const QRect area = tray_->geometry();
    menu->popup(area.isValid() ? area.bottomLeft() : QCursor::pos());
}

}  // namespace morvex::appkit
