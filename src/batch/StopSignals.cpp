#include "batch/StopSignals.h"

#include "db/Connection.h"

#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace sollist::batch {

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

TStopSignals::TStopSignals() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    waiting_ = std::thread([this] { WaitForSignals(); });
}

TStopSignals::~TStopSignals() {
    ending_ = true;
    // To the waiting thread alone, which takes it (blocked everywhere) as its cue to end.
    pthread_kill(waiting_.native_handle(), SIGTERM); // NOLINT(bugprone-bad-signal-to-kill-thread)
    waiting_.join();
}

// The server cancels only a statement that runs, and the run may begin a new one after a cancel:
// until the run lets go of the connection, what runs is cancelled again every tenth of a second.
void TStopSignals::WaitForSignals() {
    const sigset_t set = StopSet();
    const timespec again{0, 100'000'000};
    for (;;) {
        const int signal = sigtimedwait(&set, nullptr, requested_ ? &again : nullptr);
        if (ending_)
            return;
        if (signal > 0) {
            if (requested_)
                ::_exit(ExitStatusOf(signal)); // asked twice: the server rolls back what is open
            signal_ = signal;
            requested_ = true;
        } else if (!requested_) {
            continue; // interrupted
        }
        const std::lock_guard lock(mutex_);
        if (connection_ != nullptr)
            connection_->CancelOperation();
    }
}

TStopSignals::TWatch::TWatch(TStopSignals& signals, db::TIBCConnection& connection) : signals_(&signals) {
    const std::lock_guard lock(signals_->mutex_);
    signals_->connection_ = &connection;
}

void TStopSignals::TWatch::Release() {
    if (signals_ == nullptr)
        return;
    const std::lock_guard lock(signals_->mutex_);
    signals_->connection_ = nullptr;
    signals_ = nullptr;
}

int ExitStatusOf(int signal) { return 128 + signal; }

std::string StoppedLine(int signal) {
    return std::string("Lauf durch Signal ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") +
           " abgebrochen; das Offert in Arbeit ist zurückgenommen, die fertigen sind gespeichert.";
}

} // namespace sollist::batch
