#include "batch/OrderQueue.h"

#include <utility>

namespace sollist::batch {

TOrderQueue::TOrderQueue(std::vector<std::string> orders) : orders_(std::move(orders)) {}

std::optional<std::size_t> TOrderQueue::Take() {
    const std::lock_guard lock(mutex_);
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
    return error_;
}

} // namespace sollist::batch
