#pragma once
// The auto-connect location as the General and the VPN pages show it: the location's flag and
// name and a "Change" link, which the page answers (by default with chooseLocation, the location
// picker as a sheet on the page; the preferences container's VPN page opens its panel). It is bound to
// the stored auto-connect location: it shows what is stored, and a location set here, or chosen
// in the picker, is stored at once.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "appkit/ViewController.h"
#include "model/ServerRecord.h"
#include "state/PreservedPreferences.h"
#include "ui/preferences/SettingsLocationSelection.h"

namespace morvex {

class AutoConnectLocationView : public QWidget, public SettingsLocationSelectionDelegate {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    // How a page draws it: the flag's side, and the name as a row title or as a caption.
    struct Look {
        int flagSide = 20;
        bool nameAsTitle = true;
    };

    // `page` presents the picker and outlives this view (the view is part of the page's view).
    AutoConnectLocationView(appkit::ViewController& page, PreservedPreferences preference, Look look,
                            QWidget* parent = nullptr);

    ServerPtr location() const { return preference_.autoConnectServer(); }
    // Stores the location (none removes it) and shows it.
    void setLocation(const ServerPtr& server);
    // Shows the stored location, storing nothing.
    void showStored();
    // Choosing a specific location with none stored takes the default one.
    void takeDefaultIfNone();
    // Opens the location picker on the page; its choice is stored.
    void chooseLocation();

    QLabel* nameLabel() const { return name_; }
    QPushButton* changeButton() const { return change_; }

    void selectionDidChangedWithServer(const ServerPtr& server) override { setLocation(server); }

signals:
    // The "Change" link was clicked.
    void changeClicked();

private:
    void display(const ServerPtr& server);

    appkit::ViewController& page_;
    PreservedPreferences preference_;
    Look look_;
    QPointer<QLabel> flag_;
    QPointer<QLabel> name_;
    QPointer<QPushButton> change_;
};

}  // namespace morvex
