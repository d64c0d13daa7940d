#include <QApplication>

#include "model/Version.h"
#include "foundation/Log.h"
#include "foundation/ProcessHardening.h"
#include "session/OAuthService.h"

int main(int argc, char** argv) {
    morvex::hardenProcess();
    QApplication app(argc, argv);
    morvex::OAuthService::shared();  // the API client signs its requests through it
    morvex::log::print(morvex::applicationVersionLine());
    return 0;
}
