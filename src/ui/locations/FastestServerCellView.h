#pragma once
// The fastest-location row of the alternative country list: a click connects to the stored
// recommended location through the list's model, and does nothing while none is stored.
//
// Threads: main thread.
#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include "catalog/CountriesModel.h"

namespace morvex {

class FastestServerCellView : public QWidget {
    Q_OBJECT
public:
    explicit FastestServerCellView(QWidget* parent = nullptr);

    // The model of the list that shows the row, held weakly.
    QPointer<CountriesModel> delegate;
    QAbstractButton* button() const { return button_; }

    void connectToFastestServer();

private:
    QPointer<QAbstractButton> button_;
};

}  // namespace morvex
