#include <QApplication>

#include "app/Version.h"
#include "foundation/Log.h"
#include "foundation/ProcessHardening.h"

int main(int argc, char** argv) {
    morvex::hardenProcess();
    QApplication app(argc, argv);
    morvex::log::print(morvex::applicationVersionLine());
    return 0;
}
