// What crosses between threads and readers: the listing worker hands its listings to the
// window thread without ever making it wait, and a device's press log lets two readers that
// read at their own times each see every press. Built twice: natively under the address
// sanitizer, and under the thread sanitizer (listing_race_test).
#include "nrv/peripheral/core/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using nrv::peripheral::listing_worker;
using nrv::peripheral::press_log;
using nrv::peripheral::press_reader;
using namespace std::chrono_literals;

// What a test's listing function does and what it saw, shared with the worker thread,
// which may outlive the test's worker object. Each listing waits for the test's go.
struct Driver {
    std::mutex lock;
    std::condition_variable changed;
    int started = 0;
    int running = 0;
    int most_at_once = 0;
    int allowed = 0;  // listings that may end
    int done_calls = 0;
    bool listed = true;  // what each listing reports

    bool list(listing_worker::device_ids& ids) {
        std::unique_lock<std::mutex> guard(lock);
        const int number = ++started;
        most_at_once = std::max(most_at_once, ++running);
        changed.notify_all();
        changed.wait_for(guard, 10s, [&] { return allowed >= number; });
        --running;
        changed.notify_all();
        ids.assign(static_cast<size_t>(number), {});
        ids.back()[0] = static_cast<uint8_t>(number);
        return listed;
    }
    void done() {
        std::lock_guard<std::mutex> guard(lock);
        ++done_calls;
        changed.notify_all();
    }
    void allow(int count) {
        std::lock_guard<std::mutex> guard(lock);
        allowed = count;
        changed.notify_all();
    }
    template <class Condition>
    bool wait_for(Condition condition) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, 10s, condition);
    }
};

std::unique_ptr<listing_worker> worker_for(const std::shared_ptr<Driver>& driver) {
    return std::make_unique<listing_worker>(
        [driver](listing_worker::device_ids& ids) { return driver->list(ids); },
        [driver] { driver->done(); });
}

// The listing runs on the worker while the asking thread goes on; its result is handed over
// once, after the worker said it is there.
TEST(ListingWorker, ListsOffTheAskingThreadAndHandsTheResultOverOnce) {
    auto driver = std::make_shared<Driver>();
    auto worker = worker_for(driver);
    worker->request();
    ASSERT_TRUE(driver->wait_for([&] { return driver->started == 1; }));
    EXPECT_TRUE(worker->busy());
    listing_worker::device_ids ids;
    EXPECT_FALSE(worker->take(ids)) << "nothing before the listing ended";

    driver->allow(1);
    ASSERT_TRUE(driver->wait_for([&] { return driver->done_calls == 1; }));
    EXPECT_EQ(worker->finished(), 1u);
    EXPECT_FALSE(worker->busy());
    ASSERT_TRUE(worker->take(ids));
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0][0], 1);
    EXPECT_FALSE(worker->take(ids)) << "handed over once";
}

// Asked again while it lists, the worker lists once more after, never beside; asked three
// times meanwhile, still once more. A listing that found nothing ends all the same.
TEST(ListingWorker, ListingsAskedForMeanwhileRunOnceAfterNeverBeside) {
    auto driver = std::make_shared<Driver>();
    auto worker = worker_for(driver);
    worker->request();
    ASSERT_TRUE(driver->wait_for([&] { return driver->started == 1; }));
    for (int ask = 0; ask < 3; ++ask) worker->request();
    driver->allow(1);
    ASSERT_TRUE(driver->wait_for([&] { return driver->started == 2; }));
    {
        std::lock_guard<std::mutex> guard(driver->lock);
        driver->listed = false;
    }
    driver->allow(2);
    ASSERT_TRUE(driver->wait_for([&] { return driver->done_calls == 2; }));
    EXPECT_EQ(driver->most_at_once, 1);
    EXPECT_EQ(worker->finished(), 2u);
    EXPECT_FALSE(worker->busy());
    listing_worker::device_ids ids;
    ASSERT_TRUE(worker->take(ids)) << "the first listing's result stays";
    EXPECT_EQ(ids.size(), 1u);
}

// The owner goes while a listing is stuck: it does not wait, and the worker, once free,
// never tells the owner that is gone.
TEST(ListingWorker, TheOwnerNeverWaitsForAStuckListing) {
    auto driver = std::make_shared<Driver>();
    auto worker = worker_for(driver);
    worker->request();
    ASSERT_TRUE(driver->wait_for([&] { return driver->started == 1; }));
    const auto before = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    driver->allow(1);
    ASSERT_TRUE(driver->wait_for([&] { return driver->running == 0; }));
    std::this_thread::sleep_for(50ms);  // time for a wrong done call to come
    std::lock_guard<std::mutex> guard(driver->lock);
    EXPECT_EQ(driver->done_calls, 0);
}

// At the end of the run a listing under way is waited for a moment: one that ends within it
// is let finish, one stuck beyond it is left behind.
TEST(ListingWorker, StoppingWaitsAMomentForAListingUnderWay) {
    for (bool stuck : {false, true}) {
        SCOPED_TRACE(stuck ? "stuck" : "ending soon");
        auto driver = std::make_shared<Driver>();
        auto worker = worker_for(driver);
        worker->request();
        ASSERT_TRUE(driver->wait_for([&] { return driver->started == 1; }));
        std::thread release([driver, stuck] {
            std::this_thread::sleep_for(stuck ? 1500ms : 100ms);
            driver->allow(1);
        });
        EXPECT_EQ(worker->stop(500ms), !stuck);
        release.join();
        ASSERT_TRUE(driver->wait_for([&] { return driver->running == 0; }));
    }
}

// The window thread asks and takes while the worker lists as fast as it can: every hand-over
// is under the worker's lock (what the thread sanitizer build is for).
TEST(ListingWorker, AskingAndTakingWhileListingIsSafe) {
    std::atomic<int> listings{0};
    listing_worker worker(
        [&listings](listing_worker::device_ids& ids) {
            ids.assign(static_cast<size_t>(++listings % 8 + 1), {});
            return true;
        },
        [] {});
    listing_worker::device_ids ids;
    size_t taken = 0;
    for (int round = 0; round < 2000; ++round) {
        worker.request();
        if (worker.take(ids)) ++taken;
        worker.busy();
        worker.finished();
    }
    while (worker.busy()) std::this_thread::yield();
    if (worker.take(ids)) ++taken;
    EXPECT_GT(taken, 0u);
    EXPECT_GT(listings.load(), 0);
}

// Two readers of one device, each reading at its own times while either of them reads the
// device: every press is seen once by each, also one made and let go between two looks.
TEST(PressLog, EachReaderSeesEveryPressOnce) {
    press_log log;
    press_reader page;        // the page's capture, every 160 ms
    press_reader navigation;  // pad navigation, every 40 ms
    page.catch_up(log);
    navigation.catch_up(log);
    // clang-format off
    const struct { bool down; bool page_looks; bool navigation_looks; int page_sees; int navigation_sees; } steps[] = {
        {true,  false, true,  0, 1},  // navigation's reading sees the press first
        {false, false, false, 0, 0},
        {false, true,  false, 1, 0},  // the page still sees it, let go since
        {true,  true,  false, 1, 0},  // the page's reading sees the next one first
        {false, false, true,  0, 1},
        {false, true,  true,  0, 0},  // nothing new for either
    };
    // clang-format on
    int row = 0;
    for (const auto& step : steps) {
        log.note(7, step.down);
        EXPECT_EQ(step.page_looks ? page.take(log, 7) : false, step.page_sees != 0) << "row " << row;
        EXPECT_EQ(step.navigation_looks ? navigation.take(log, 7) : false, step.navigation_sees != 0)
            << "row " << row;
        ++row;
    }
    log.note(300, true);
    EXPECT_EQ(log.presses(300), 0u) << "beyond the logical buttons";
}

}  // namespace
