// Handoff<Batch>: batches of work from a producing thread to a consuming
// one, in order, a few at a time.
//
// The producer takes an empty batch (Empty), fills it and puts it (Put);
// the consumer takes the batches in the order they were put (Take) and
// hands each back when done (Return), so the same few batches go round and
// the two threads share no allocations. At most kMaxBatches wait at a
// time: a producer that runs ahead waits for the consumer.
//
// The producer ends with Close, giving its failure (an exception, or null);
// the consumer, once Take has no more, calls ThrowFailure, so the failure
// comes after everything produced before it. A consumer that gives up
// calls Abandon: a waiting or later Put answers false, and the producer
// stops. `Batch` needs a default constructor and Clear().
#ifndef TOVRIX_TEXT_HANDOFF_H_
#define TOVRIX_TEXT_HANDOFF_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tovrix {

template <typename Batch>
class Handoff {
 public:
  using Pointer = std::unique_ptr<Batch>;
  static constexpr std::size_t kMaxBatches = 4;

  // A batch to fill: one handed back, or a new one.
  Pointer Empty() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return std::make_unique<Batch>();
    Pointer batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
  }
  // False once the consumer gave up.
  bool Put(Pointer batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return full_.size() < kMaxBatches || abandoned_; });
    if (abandoned_) return false;
    full_.push_back(std::move(batch));
    changed_.notify_all();
    return true;
  }
  // No more batches; `failure` (or null) ends the work after them.
  void Close(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    failure_ = std::move(failure);
    changed_.notify_all();
  }
  // Null when the producer closed and every batch was taken.
  Pointer Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty() || closed_; });
    if (full_.empty()) return nullptr;
    Pointer batch = std::move(full_.front());
    full_.pop_front();
    changed_.notify_all();
    return batch;
  }
  void Return(Pointer batch) {
    batch->Clear();
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(batch));
  }
  // After the last batch: the producer's failure, if any, is thrown.
  void ThrowFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_) std::rethrow_exception(failure_);
  }
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pointer> full_;
  std::vector<Pointer> spare_;
  bool closed_ = false;
  bool abandoned_ = false;
  std::exception_ptr failure_;
};

// Joins `thread` when it goes, after telling the producer to stop: however
// the consumer ends, the producer is not left running.
template <typename Batch, typename Thread>
class JoinedProducer {
 public:
  JoinedProducer(Handoff<Batch>& handoff, Thread& thread) : handoff_(handoff), thread_(thread) {}
  ~JoinedProducer() {
    handoff_.Abandon();
    thread_.join();
  }
  JoinedProducer(const JoinedProducer&) = delete;
  JoinedProducer& operator=(const JoinedProducer&) = delete;

 private:
  Handoff<Batch>& handoff_;
  Thread& thread_;
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_HANDOFF_H_
