#include "batch/StopSignals.h"

#include "db/Connection.h"

#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>

namespace sollist::batch {

struct TStopSignals::State {
    std::atomic<bool> requested{false};
    std::atomic<int> signal{0};
    std::mutex mutex; // guards connection against its release
    db::TIBCConnection* connection = nullptr;
};

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

// The server cancels only a statement that runs, and the run may begin a new one after a cancel:
// until the run lets go of the connection, what runs is cancelled again every tenth of a second.
void TStopSignals::WaitForSignals(const std::shared_ptr<State>& state) {
    const sigset_t set = StopSet();
    const timespec again{0, 100'000'000};
    for (;;) {
        const int signal = sigtimedwait(&set, nullptr, state->requested ? &again : nullptr);
        if (signal > 0) {
            if (state->requested)
                ::_exit(ExitStatusOf(signal)); // asked twice: the server rolls back what is open
            state->signal = signal;
            state->requested = true;
        } else if (!state->requested) {
            continue; // interrupted
        }
        const std::lock_guard lock(state->mutex);
        if (state->connection != nullptr)
            state->connection->CancelOperation();
    }
}

TStopSignals::TStopSignals() : state_(std::make_shared<State>()) {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForSignals, state_).detach(); // ends with the process
}

TStopSignals::~TStopSignals() = default;

int TStopSignals::Signal() const { return state_->signal; }

const std::atomic<bool>& TStopSignals::Requested() const { return state_->requested; }

TStopSignals::TWatch::TWatch(const TStopSignals& signals, db::TIBCConnection& connection)
    : signals_(&signals) {
    const std::lock_guard lock(signals_->state_->mutex);
    signals_->state_->connection = &connection;
}

void TStopSignals::TWatch::Release() {
    if (signals_ == nullptr)
        return;
    const std::lock_guard lock(signals_->state_->mutex);
    signals_->state_->connection = nullptr;
    signals_ = nullptr;
}

int ExitStatusOf(int signal) { return 128 + signal; }

std::string StoppedLine(int signal) {
    return std::string("Lauf durch Signal ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") +
           " abgebrochen; das Offert in Arbeit ist zurückgenommen, die fertigen sind gespeichert.";
}

} // namespace sollist::batch
