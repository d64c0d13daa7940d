#include <QCoreApplication>

#include "foundation/Dispatch.h"
#include "launcher/AppDelegate.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    morvex::launcher::AppDelegate delegate;
    morvex::DispatchQueue::main().async([&delegate] { delegate.applicationDidFinishLaunching(); });
    return app.exec();
}
