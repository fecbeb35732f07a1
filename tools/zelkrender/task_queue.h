// Worker threads that run tasks while the program renders on, so that
// compressing one picture overlaps with rendering the next. The queue is
// bounded: a producer that gets ahead of the workers waits (and the virtual
// clock waits with it).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zelkrender {

class TaskQueue {
 public:
  TaskQueue(int workers, size_t capacity);
  ~TaskQueue();  // runs what is queued, then stops the workers
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  void Post(std::function<void()> task);
  // Waits until every task posted so far has run.
  void Drain();

 private:
  void Work();

  const size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
  int busy_ = 0;
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

// The first failure reported by any thread.
class Failure {
 public:
  void Set(const std::string& why);
  bool happened();
  std::string what();

 private:
  std::mutex mutex_;
  std::string what_;
};

}  // namespace zelkrender
