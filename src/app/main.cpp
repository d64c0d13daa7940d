#include <QApplication>

#include "app/Version.h"
#include "foundation/Log.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    morvex::log::print(morvex::applicationVersionLine());
    return 0;
}
