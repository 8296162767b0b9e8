// Press logs and the listing worker: what crosses between a device's readings and its
// readers, and between the window thread and the thread that lists devices.
#include "nrv/peripheral/core/controls.h"

#include <condition_variable>
#include <system_error>
#include <thread>
#include <utility>

namespace nrv {
namespace peripheral {

void press_log::note(int index, bool down) {
    if (index < 0 || index >= kMaxLogicalButtons) return;
    if (down && !m_down[index]) ++m_presses[index];
    m_down[index] = down;
}

uint32_t press_log::presses(int index) const {
    return index >= 0 && index < kMaxLogicalButtons ? m_presses[index] : 0;
}

void press_reader::catch_up(const press_log& log) {
    for (int index = 0; index < kMaxLogicalButtons; ++index) m_seen[index] = log.presses(index);
}

bool press_reader::take(const press_log& log, int index) {
    if (index < 0 || index >= kMaxLogicalButtons) return false;
    const uint32_t presses = log.presses(index);
    if (presses == m_seen[index]) return false;
    m_seen[index] = presses;
    return true;
}

// Everything the worker thread touches lives here, owned by the worker and the owner
// together: the owner may go while a listing is stuck in a driver, and the worker then
// ends alone, taking the listing function (and what it holds) with it.
struct listing_worker::shared {
    std::mutex lock;
    std::condition_variable wake;
    bool requested = false;
    bool running = false;
    bool closed = false;
    bool thread_ended = false;
    bool has_result = false;
    unsigned finished = 0;
    device_ids result;
    list_function list;
    done_function done;
};

listing_worker::listing_worker(list_function list, done_function done)
    : m_shared(std::make_shared<shared>()) {
    m_shared->list = std::move(list);
    m_shared->done = std::move(done);
    try {
        std::thread(&listing_worker::run, m_shared).detach();
        m_threaded = true;
    } catch (const std::system_error&) {
        m_threaded = false;
    }
}

listing_worker::~listing_worker() {
    stop(std::chrono::milliseconds(0));
}

bool listing_worker::stop(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(m_shared->lock);
    m_shared->closed = true;
    m_shared->wake.notify_all();
    if (!m_threaded) return true;
    return m_shared->wake.wait_for(lock, wait, [&] { return m_shared->thread_ended; });
}

// Runs one asked-for listing with the lock released while the devices are listed.
void listing_worker::list_once(shared& state, std::unique_lock<std::mutex>& lock) {
    state.requested = false;
    state.running = true;
    lock.unlock();
    device_ids ids;
    const bool listed = state.list(ids);
    lock.lock();
    state.running = false;
    ++state.finished;
    if (listed) {
        state.result = std::move(ids);
        state.has_result = true;
    }
    // Under the lock, so that it never runs once the owner has gone; it must not block.
    if (!state.closed && state.done) state.done();
}

void listing_worker::run(std::shared_ptr<shared> state) {
    std::unique_lock<std::mutex> lock(state->lock);
    for (;;) {
        state->wake.wait(lock, [&] { return state->requested || state->closed; });
        if (state->closed) break;
        list_once(*state, lock);
    }
    // The listing function goes with the last listing's thread, where it was used.
    state->list = nullptr;
    state->thread_ended = true;
    state->wake.notify_all();
}

void listing_worker::request() {
    std::unique_lock<std::mutex> lock(m_shared->lock);
    m_shared->requested = true;
    if (m_threaded) {
        m_shared->wake.notify_all();
        return;
    }
    if (!m_shared->running) list_once(*m_shared, lock);
}

bool listing_worker::take(device_ids& ids) {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (!m_shared->has_result) return false;
    ids = std::move(m_shared->result);
    m_shared->result.clear();
    m_shared->has_result = false;
    return true;
}

bool listing_worker::busy() const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->running || m_shared->requested;
}

unsigned listing_worker::finished() const {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->finished;
}

}  // namespace peripheral
}  // namespace nrv
