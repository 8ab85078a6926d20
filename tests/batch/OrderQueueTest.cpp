// The queue of a run on several workers: orders finish in the order they were handed out,
// whatever order the workers are done in, and a failed order ends the run at its place.
#include "batch/OrderQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sollist::batch {
namespace {

std::vector<std::string> Orders(int count) {
    std::vector<std::string> orders;
    for (int i = 0; i < count; ++i) orders.push_back("A" + std::to_string(i));
    return orders;
}

// Workers that take orders and are done with them after a time that falls with the position,
// so that later orders are ready first. failAt: the position whose order fails, with its
// failure coming last in time when failLate is set.
struct RunResult {
    std::vector<std::string> finished; // in the order of their turns
    std::vector<std::size_t> handedOut;
    std::exception_ptr error;
};

RunResult RunWorkers(int orders, int workers, std::size_t failAt = SIZE_MAX,
                     std::size_t failsToo = SIZE_MAX) {
    TOrderQueue queue(Orders(orders));
    RunResult run;
    std::mutex mutex;
    {
        std::vector<std::jthread> threads;
        for (int w = 0; w < workers; ++w)
            threads.emplace_back([&] {
                while (const auto position = queue.Take()) {
                    {
                        const std::lock_guard lock(mutex);
                        run.handedOut.push_back(*position);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(2 * (orders - *position)));
                    const bool fails = *position == failAt || *position == failsToo;
                    if (fails)
                        queue.Stop();
                    if (!queue.AwaitTurn(*position)) {
                        queue.EndTurn(*position);
                        continue;
                    }
                    run.finished.push_back(queue.Order(*position)); // only in its turn
                    queue.EndTurn(*position, fails ? std::make_exception_ptr(std::runtime_error(
                                                         "failed " + queue.Order(*position)))
                                                   : nullptr);
                }
            });
    }
    run.error = queue.Error();
    return run;
}

TEST(OrderQueue, OrdersFinishInTheirOrderWhateverTheWorkersAreDoneIn) {
    for (int workers : {1, 2, 4, 7}) {
        SCOPED_TRACE(workers);
        const RunResult run = RunWorkers(12, workers);
        EXPECT_EQ(run.finished, Orders(12));
        EXPECT_EQ(run.handedOut.size(), 12u);
        EXPECT_FALSE(run.error);
    }
}

// A5 fails; A8, handed out before the hand-out stopped, fails earlier in time: the run ends
// with A5's error, A5 finishes last, and no order after it finishes or is handed out once the
// workers have seen the stop.
TEST(OrderQueue, FirstFailedOrderInQueueOrderEndsTheRun) {
    const RunResult run = RunWorkers(12, 4, 5, 8);
    ASSERT_TRUE(run.error);
    try {
        std::rethrow_exception(run.error);
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "failed A5");
    }
    EXPECT_EQ(run.finished, Orders(6));
    EXPECT_LE(run.handedOut.size(), 12u);
    for (std::size_t position : run.handedOut) EXPECT_LT(position, 5u + 4u) << "handed out after the stop";
}

} // namespace
} // namespace sollist::batch
