#include "batch/StopSignals.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace sollist::batch {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The server cancels only a statement that runs. After the first cancel the connections refuse
// every further statement, so a repeat only catches one that had passed that check: what runs
// is cancelled again this often until the run lets go of its connections. Not more often: each
// cancel through a server takes a snapshot of all its attachments, which slows every one of
// them, the run's closing its own included.
constexpr auto kCancelAgain = 1s;

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

// Straight to the descriptor: the thread printing may hold stdout's lock, blocked on the server.
void WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

TStopSignals::TStopSignals(TStopLine line) : line_(line) {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    waiting_ = std::thread([this] { WaitForSignals(); });
    cancelling_ = std::thread([this] { CancelWatched(); });
}

TStopSignals::~TStopSignals() {
    // The cancelling thread first: a cancel hanging on a silent server still ends the process
    // at the end of the grace, which the waiting thread keeps.
    cancelEnding_ = true;
    wake_.notify_all();
    cancelling_.join();
    ending_ = true;
    // To the waiting thread alone, which takes it (blocked everywhere) as its cue to end.
    pthread_kill(waiting_.native_handle(), SIGTERM); // NOLINT(bugprone-bad-signal-to-kill-thread)
    waiting_.join();
}

void TStopSignals::WaitForSignals() {
    const sigset_t set = StopSet();
    Clock::time_point deadline{};
    for (;;) {
        timespec left{};
        if (signal_ != 0) {
            const auto rest = std::max(Clock::duration::zero(), deadline - Clock::now());
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(rest);
            left = {static_cast<time_t>(seconds.count()),
                    static_cast<long>(std::chrono::nanoseconds(rest - seconds).count())};
        }
        const int signal = sigtimedwait(&set, nullptr, signal_ != 0 ? &left : nullptr);
        if (ending_)
            return;
        if (signal > 0) {
            if (signal_ != 0)
                EndNow(signal, false); // asked twice
            deadline = Clock::now() + StopGrace;
            signal_ = signal;
            wake_.notify_all();
        } else if (errno == EAGAIN && signal_ != 0) {
            EndNow(signal_, true); // the run has not ended: the server does not answer
        }
    }
}

void TStopSignals::EndNow(int signal, bool serverSilent) {
    {
        const std::lock_guard lock(lineMutex_);
        if (!reported_)
            WriteLine(line_(signal, serverSilent));
        reported_ = true;
    }
    ::_exit(ExitStatusOf(signal));
}

// The lock keeps the watched connections from closing only while their attachments are noted:
// the server's answer to the cancel is waited for without it, so that the run can let go of its
// connections meanwhile. Waits only with a timeout: the signal thread wakes it without the lock.
void TStopSignals::CancelWatched() {
    std::unique_lock lock(watchMutex_);
    while (!cancelEnding_) {
        if (signal_ != 0) {
            for (db::TIBCConnection* connection : watched_) connection->RefuseStatements();
            const db::TIBCCanceller::TTargets targets = canceller_.Take(watched_);
            lock.unlock();
            canceller_.Cancel(targets);
            lock.lock();
        }
        wake_.wait_for(lock, kCancelAgain);
    }
    canceller_.Close();
}

void TStopSignals::Watch(db::TIBCConnection& connection) {
    const std::lock_guard lock(watchMutex_);
    watched_.push_back(&connection);
}

void TStopSignals::Unwatch(db::TIBCConnection& connection) {
    const std::lock_guard lock(watchMutex_);
    watched_.erase(std::remove(watched_.begin(), watched_.end(), &connection), watched_.end());
}

int TStopSignals::Report() { return Report(line_(signal_, false)); }

int TStopSignals::Report(const std::string& line) {
    const std::lock_guard lock(lineMutex_);
    if (!reported_) {
        std::fflush(stdout);
        WriteLine(line);
    }
    reported_ = true;
    return ExitStatusOf(signal_);
}

int ExitStatusOf(int signal) { return 128 + signal; }

const char* SignalName(int signal) { return signal == SIGINT ? "SIGINT" : "SIGTERM"; }

std::string StoppedLine(int signal, bool serverSilent) {
    if (serverSilent)
        return fmt::format("Lauf durch Signal {} abgebrochen; der Datenbankserver antwortet seit {} s nicht, "
                           "er nimmt das Offert in Arbeit zurück, die fertigen sind gespeichert.",
                           SignalName(signal), TStopSignals::StopGrace.count());
    return std::string("Lauf durch Signal ") + SignalName(signal) +
           " abgebrochen; das Offert in Arbeit ist zurückgenommen, die fertigen sind gespeichert.";
}

} // namespace sollist::batch
