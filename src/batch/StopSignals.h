#pragma once
// SIGTERM and SIGINT (systemd stopping the unit, Ctrl-C) stop a run in order: the statements
// running on every watched connection are cancelled, the order in hand is rolled back with its
// unit of work, and the entry reports the stop in one line. A second signal ends the process at
// once; so does the first when the run has not ended StopGrace after it (a server that does not
// answer), with a line saying so. The server rolls back what the process left uncommitted.
#include "db/Connection.h"
#include "db/RunContext.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sollist::batch {

// Final and never deleted through TRunStop, whose destructor is protected.
class TStopSignals final : public TRunStop { // NOLINT(cppcoreguidelines-virtual-class-destructor)
public:
    // The entry's line for a stop by signal; serverSilent: the run did not end in StopGrace.
    using TStopLine = std::string (*)(int signal, bool serverSilent);
    static constexpr std::chrono::seconds StopGrace{15};

    // Takes the two signals away from every thread of the process and waits for them on a thread
    // of its own. Create it before anything starts a thread (the database client does).
    explicit TStopSignals(TStopLine line);
    ~TStopSignals(); // ends its threads; the signals stay blocked until the process ends
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // The signal received; 0 while none was.
    int Signal() const { return signal_; }
    bool Requested() const override { return signal_ != 0; }
    void Watch(db::TIBCConnection& connection) override;
    void Unwatch(db::TIBCConnection& connection) override;

    // Prints the stop line (or the line given), once: the run has ended after a signal. Returns
    // the exit status.
    int Report();
    int Report(const std::string& line);

private:
    void WaitForSignals();
    void CancelWatched();
    [[noreturn]] void EndNow(int signal, bool serverSilent);

    TStopLine line_;
    std::atomic<int> signal_{0};
    std::atomic<bool> ending_{false};       // the waiting thread's cue
    std::atomic<bool> cancelEnding_{false}; // the cancelling thread's

    // The watched connections; held while their attachments are noted for a cancel, so none
    // closes meanwhile.
    std::mutex watchMutex_;
    std::condition_variable wake_;
    std::vector<db::TIBCConnection*> watched_;
    db::TIBCCanceller canceller_;

    std::mutex lineMutex_; // the stop line is printed once, by the entry or at the end of the grace
    bool reported_ = false;

    std::thread waiting_;    // takes the signals; never blocks on anything else
    std::thread cancelling_; // cancels what runs on the watched connections after a signal
};

// The exit status of a run stopped by a signal: 128 + its number, as the shells report it.
int ExitStatusOf(int signal);
// "SIGTERM" or "SIGINT".
const char* SignalName(int signal);
// sollist's line: "Lauf durch Signal SIGTERM abgebrochen; ..."
std::string StoppedLine(int signal, bool serverSilent = false);

} // namespace sollist::batch
