#pragma once
// SIGTERM and SIGINT (systemd stopping the unit, Ctrl-C) stop a run in order: the statements
// running are cancelled, the order in hand is rolled back with its unit of work, and the entry
// reports the stop in one line. A second signal ends the process at once.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace sollist::db {
class TIBCConnection;
}

namespace sollist::batch {

class TStopSignals {
public:
    // Takes the two signals away from every thread of the process and waits for them on a thread
    // of its own. Create it before anything starts a thread (the database client does).
    TStopSignals();
    ~TStopSignals(); // ends the waiting thread; the signals stay blocked until the process ends
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // The signal received; 0 while none was.
    int Signal() const { return signal_; }
    // Set when a signal was received: for the run context.
    const std::atomic<bool>& Requested() const { return requested_; }

    // While it lives, a signal cancels what runs on the connection (connected). Let it go before
    // the connection closes.
    class TWatch {
    public:
        TWatch(TStopSignals& signals, db::TIBCConnection& connection);
        ~TWatch() { Release(); }
        TWatch(const TWatch&) = delete;
        TWatch& operator=(const TWatch&) = delete;
        void Release();

    private:
        TStopSignals* signals_;
    };

private:
    void WaitForSignals();

    std::atomic<bool> requested_{false};
    std::atomic<int> signal_{0};
    std::atomic<bool> ending_{false};
    std::mutex mutex_; // guards connection_ against its release
    db::TIBCConnection* connection_ = nullptr;
    std::thread waiting_;
};

// The exit status of a run stopped by a signal: 128 + its number, as the shells report it.
int ExitStatusOf(int signal);
// "Lauf durch Signal SIGTERM abgebrochen; ..."
std::string StoppedLine(int signal);

} // namespace sollist::batch
