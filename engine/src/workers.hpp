// A team of threads that run one function together, meeting at barriers: the engine's only
// parallelism. The calling thread is member 0; members 1 ... size - 1 are threads of the team,
// started once and kept, asleep between jobs. Waits spin briefly, then sleep (C++20 atomic
// wait), so a team larger than the cores the process may use still makes progress.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace pelzak::engine {

class Workers {
 public:
  explicit Workers(int size);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  int size() const { return size_; }
  // Runs job(member) on every member and returns when all are done.
  void run(const std::function<void(int member)>& job);
  // Called by every member of a running job: returns when all have called it.
  void barrier();

 private:
  void member_loop(int member);

  int size_;
  std::vector<std::thread> threads_;
  const std::function<void(int)>* job_ = nullptr;
  std::atomic<unsigned> epoch_{0};       // a new job for the members
  std::atomic<int> busy_{0};             // members still in the job
  std::atomic<int> arrived_{0};          // members at the barrier
  std::atomic<unsigned> generation_{0};  // barriers passed
  bool stopping_ = false;
};

}  // namespace pelzak::engine
