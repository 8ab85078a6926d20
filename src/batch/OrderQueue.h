#pragma once
// The open orders of a run shared out among workers: handed out one at a time in the order of
// the open-order query, and finished in that same order. A worker that is done with an order
// waits for its turn (every earlier order finished) before it writes the order's output and
// commits it, so the console, the error log and what is stored come out as in a run on one
// connection; a worker holds one order at a time, so at most as many orders are held as there
// are workers.
#include "db/RunContext.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sollist::batch {

class TOrderQueue {
public:
    // stop: the run's (null: none); once it is requested no order is handed out.
    explicit TOrderQueue(std::vector<std::string> orders, const TRunStop* stop = nullptr);

    // The position of the next order to calculate; nullopt when all are handed out, an order
    // failed or the run's stop is requested.
    std::optional<std::size_t> Take();
    const std::string& Order(std::size_t position) const { return orders_[position]; }
    std::size_t Size() const { return orders_.size(); }
    // No further order is handed out (an order failed).
    void Stop();
    // Waits until every order before position has finished. False when one of them failed:
    // the run ends there, and this order must be rolled back and stay unwritten.
    bool AwaitTurn(std::size_t position);
    // Passes the turn on after the order at position (waiting for its turn first); with an
    // error, the order failed and the run ends with that error.
    void EndTurn(std::size_t position, std::exception_ptr error = nullptr);
    // The error the run ends with: that of the first failed order; ERunStopped when the stop
    // ended the hand-out and no order failed; null when neither.
    std::exception_ptr Error() const;

private:
    const std::vector<std::string> orders_;
    mutable std::mutex mutex_;
    std::condition_variable turnPassed_;
    std::size_t next_ = 0; // the next position to hand out
    std::size_t turn_ = 0; // the position whose turn it is
    const TRunStop* stop_;
    bool stopped_ = false;       // hand-out stopped
    bool stopRequested_ = false; // by the run's stop
    std::exception_ptr error_;   // of the failed order; later turns are refused
};

} // namespace sollist::batch
