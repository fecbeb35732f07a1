#include "tools/zelkrender/task_queue.h"

namespace zelkrender {

TaskQueue::TaskQueue(int workers, size_t capacity) : capacity_(capacity) {
  for (int i = 0; i < workers; ++i)
    workers_.emplace_back([this] { Work(); });
}

TaskQueue::~TaskQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  for (auto& w : workers_)
    w.join();
}

void TaskQueue::Post(std::function<void()> task) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return tasks_.size() < capacity_; });
  tasks_.push_back(std::move(task));
  changed_.notify_all();
}

void TaskQueue::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return tasks_.empty() && busy_ == 0; });
}

void TaskQueue::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
    if (tasks_.empty()) return;
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    ++busy_;
    changed_.notify_all();
    lock.unlock();
    task();
    lock.lock();
    --busy_;
    changed_.notify_all();
  }
}

void Failure::Set(const std::string& why) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (what_.empty()) what_ = why;
}

bool Failure::happened() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !what_.empty();
}

std::string Failure::what() {
  std::lock_guard<std::mutex> lock(mutex_);
  return what_;
}

}  // namespace zelkrender
