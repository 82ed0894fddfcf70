// Batches of work handed between threads, a few at a time, so that the
// same few batches go round and the threads share no allocations.
//
// BatchRound<Batch> is what every such hand-over shares: one lock and one
// signal, the spare batches (Empty hands one out, a new one when none is
// spare; GoRound takes one back, cleared), and the end of the work. The
// producer ends with Close, giving its failure (an exception, or null); the
// consumer, once it has had every batch, calls ThrowFailure, so the failure
// comes after everything produced before it. A consumer that gives up
// calls Abandon, and the other threads stop (a waiting or later Put answers
// false). `Batch` needs a default constructor and Clear().
//
// Handoff<Batch>: from one producing thread to one consuming thread, in
// order. The producer takes an empty batch (Empty), fills it and puts it
// (Put); the consumer takes the batches in the order they were put (Take)
// and hands each back when done (Return). At most kMaxBatches wait at a
// time: a producer that runs ahead waits for the consumer.
//
// JoinedThreads<Round>: the threads that work on a round, stopped
// (Abandon) and joined however the consumer ends, so that none is left
// running.
#ifndef TOVRIX_TEXT_HANDOFF_H_
#define TOVRIX_TEXT_HANDOFF_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace tovrix {

template <typename Batch>
class BatchRound {
 public:
  using Pointer = std::unique_ptr<Batch>;

  // A batch to fill: one handed back, or a new one.
  Pointer Empty() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return std::make_unique<Batch>();
    Pointer batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
  }
  // No more batches; `failure` (or null) ends the work after them.
  void Close(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    failure_ = std::move(failure);
    changed_.notify_all();
  }
  // After the last batch: the producer's failure, if any, is thrown.
  void ThrowFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_) std::rethrow_exception(failure_);
  }
  // The consumer gave up: everyone else stops.
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }

 protected:
  // With the lock held: `batch` is done with and goes round.
  void GoRound(Pointer batch) {
    batch->Clear();
    spare_.push_back(std::move(batch));
  }

  std::mutex mutex_;
  std::condition_variable changed_;  // signalled on every change
  bool closed_ = false;
  bool abandoned_ = false;

 private:
  std::vector<Pointer> spare_;
  std::exception_ptr failure_;
};

template <typename Batch>
class Handoff : public BatchRound<Batch> {
 public:
  using typename BatchRound<Batch>::Pointer;
  static constexpr std::size_t kMaxBatches = 4;

  // False once the consumer gave up.
  bool Put(Pointer batch) {
    std::unique_lock<std::mutex> lock(this->mutex_);
    this->changed_.wait(lock, [&] { return full_.size() < kMaxBatches || this->abandoned_; });
    if (this->abandoned_) return false;
    full_.push_back(std::move(batch));
    this->changed_.notify_all();
    return true;
  }
  // Null when the producer closed and every batch was taken.
  Pointer Take() {
    std::unique_lock<std::mutex> lock(this->mutex_);
    this->changed_.wait(lock, [&] { return !full_.empty() || this->closed_; });
    if (full_.empty()) return nullptr;
    Pointer batch = std::move(full_.front());
    full_.pop_front();
    this->changed_.notify_all();
    return batch;
  }
  void Return(Pointer batch) {
    std::lock_guard<std::mutex> lock(this->mutex_);
    this->GoRound(std::move(batch));
  }

 private:
  std::deque<Pointer> full_;
};

template <typename Round>
class JoinedThreads {
 public:
  explicit JoinedThreads(Round& round) : round_(round) {}
  ~JoinedThreads() {
    round_.Abandon();
    for (std::thread& thread : threads_) thread.join();
  }
  JoinedThreads(const JoinedThreads&) = delete;
  JoinedThreads& operator=(const JoinedThreads&) = delete;
  void Start(std::function<void()> run) {
    threads_.push_back(platform::StartWorkerThread(std::move(run)));
  }

 private:
  Round& round_;
  std::vector<std::thread> threads_;
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_HANDOFF_H_
