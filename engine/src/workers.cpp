#include "workers.hpp"

namespace pelzak::engine {

namespace {

// Spins this many rounds before sleeping: long enough for a partner on another core to arrive
// (a few microseconds), short enough not to starve one sharing the core.
constexpr int spin_rounds = 4000;

template <class T>
void wait_while_equal(const std::atomic<T>& value, T old) {
  for (int k = 0; k < spin_rounds; ++k)
    if (value.load(std::memory_order_acquire) != old) return;
  while (value.load(std::memory_order_acquire) == old) value.wait(old, std::memory_order_acquire);
}

}  // namespace

Workers::Workers(int size) : size_(size < 1 ? 1 : size) {
  for (int member = 1; member < size_; ++member)
    threads_.emplace_back([this, member] { member_loop(member); });
}

Workers::~Workers() {
  stopping_ = true;
  epoch_.fetch_add(1, std::memory_order_release);
  epoch_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void Workers::member_loop(int member) {
  unsigned seen = 0;
  for (;;) {
    wait_while_equal(epoch_, seen);
    seen = epoch_.load(std::memory_order_acquire);
    if (stopping_) return;
    (*job_)(member);
    if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) busy_.notify_all();
  }
}

void Workers::run(const std::function<void(int)>& job) {
  if (size_ == 1) return job(0);
  job_ = &job;
  busy_.store(size_ - 1, std::memory_order_relaxed);
  epoch_.fetch_add(1, std::memory_order_release);
  epoch_.notify_all();
  job(0);
  for (int left = busy_.load(std::memory_order_acquire); left != 0;
       left = busy_.load(std::memory_order_acquire))
    wait_while_equal(busy_, left);
}

void Workers::barrier() {
  if (size_ == 1) return;
  const unsigned generation = generation_.load(std::memory_order_acquire);
  if (arrived_.fetch_add(1, std::memory_order_acq_rel) == size_ - 1) {
    arrived_.store(0, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    return;
  }
  wait_while_equal(generation_, generation);
}

}  // namespace pelzak::engine
