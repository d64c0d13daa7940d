#pragma once
// A recent location's row, shown by the dashboard's recent tile and by the locations page's
// recents list.
//
// Threads: main thread.
#include <QLabel>
#include <QWidget>

#include "model/ServerRecord.h"

namespace morvex {

// One recent location: flag and name; the P2P badge is never shown here.
class RecentsCellView : public QWidget {
    Q_OBJECT
public:
    explicit RecentsCellView(QWidget* parent = nullptr);
    void configure(const ZevuDataFetcherTypes::ServerPtr& server);
    QLabel* imgView() const { return imgView_; }
    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* p2pTag() const { return p2pTag_; }

private:
    QLabel *imgView_, *lblTitle_, *p2pTag_;
};

}  // namespace morvex
