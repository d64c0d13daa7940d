#pragma once
// Everything the process writes to its console while the capture lives: standard output and
// standard error at the descriptor level (printf, std::cout, log::print and log::nslog alike) and
// every Qt message (qDebug, qWarning…), wherever Qt would have sent it. On destruction the
// descriptors are restored and the captured text is written to standard error, so a run's log
// keeps it.
#include <QtGlobal>
#include <string>

namespace morvex::test {

class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // What was written so far.
    std::string text() const;

private:
    int savedOut_ = -1;
    int savedErr_ = -1;
    int file_ = -1;
    QtMessageHandler previous_ = nullptr;
};

}  // namespace morvex::test
