#pragma once
// SIGTERM and SIGINT (systemd stopping the unit, Ctrl-C) stop a run in order: the statements
// running are cancelled, the order in hand is rolled back with its unit of work, and the entry
// reports the stop in one line. A second signal ends the process at once.
#include <atomic>
#include <memory>
#include <string>

namespace sollist::db {
class TIBCConnection;
}

namespace sollist::batch {

class TStopSignals {
public:
    // Takes the two signals away from every thread of the process and waits for them on a thread
    // of its own. Create it before anything starts a thread (the database client does).
    TStopSignals();
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // The signal received; 0 while none was.
    int Signal() const;
    // Set when a signal was received: for the run context.
    const std::atomic<bool>& Requested() const;

    // While it lives, a signal cancels what runs on the connection (connected). Let it go before
    // the connection closes.
    class TWatch {
    public:
        TWatch(const TStopSignals& signals, db::TIBCConnection& connection);
        ~TWatch() { Release(); }
        TWatch(const TWatch&) = delete;
        TWatch& operator=(const TWatch&) = delete;
        void Release();

    private:
        const TStopSignals* signals_;
    };

private:
    struct State;
    static void WaitForSignals(const std::shared_ptr<State>& state);
    std::shared_ptr<State> state_; // shared with the waiting thread, which outlives the object
};

// The exit status of a run stopped by a signal: 128 + its number, as the shells report it.
int ExitStatusOf(int signal);
// "Lauf durch Signal SIGTERM abgebrochen; ..."
std::string StoppedLine(int signal);

} // namespace sollist::batch
