#pragma once

// The end of the program asked for from outside: SIGTERM (a shutdown, `kill`), SIGHUP (the
// terminal or the session went away) and SIGINT (Ctrl+C in a terminal). Instead of the default
// (the process vanishes and the session's settings with it) the program closes as File > Exit
// closes it. A signal handler may do almost nothing safely, so it only writes the signal's
// number into a pipe; a notifier on the pipe's other end calls `onSignal` from the event loop.
// Signals that arrive before the event loop runs wait in the pipe.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace platform {

class TerminationSignals final : public QObject {
  public:
    // Catches the signals from now on; one object at a time. Where the platform has no such
    // signals it does nothing.
    explicit TerminationSignals(std::function<void(int signal)> onSignal,
                                QObject* parent = nullptr);
    // Gives the signals back their default action.
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void readSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
