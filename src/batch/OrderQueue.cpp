#include "batch/OrderQueue.h"

#include <utility>

namespace sollist::batch {

TOrderQueue::TOrderQueue(std::vector<std::string> orders, const TRunStop* stop)
    : orders_(std::move(orders)), stop_(stop) {}

std::optional<std::size_t> TOrderQueue::Take() {
    const std::lock_guard lock(mutex_);
    if (!stopped_ && next_ < orders_.size() && stop_ != nullptr && stop_->Requested())
        stopped_ = stopRequested_ = true;
    if (stopped_ || next_ >= orders_.size())
        return std::nullopt;
    return next_++;
}

void TOrderQueue::Stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
}

bool TOrderQueue::AwaitTurn(std::size_t position) {
    std::unique_lock lock(mutex_);
    turnPassed_.wait(lock, [&] { return turn_ == position; });
    return !error_;
}

void TOrderQueue::EndTurn(std::size_t position, std::exception_ptr error) {
    {
        std::unique_lock lock(mutex_);
        turnPassed_.wait(lock, [&] { return turn_ == position; });
        if (error && !error_) {
            error_ = std::move(error);
            stopped_ = true;
        }
        ++turn_;
    }
    turnPassed_.notify_all();
}

std::exception_ptr TOrderQueue::Error() const {
    const std::lock_guard lock(mutex_);
    if (!error_ && stopRequested_)
        return std::make_exception_ptr(ERunStopped("Lauf vor Offert " + orders_[next_] + " angehalten"));
    return error_;
}

} // namespace sollist::batch
