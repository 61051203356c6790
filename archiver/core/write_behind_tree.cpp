#include "write_behind_tree.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace orvane::archiver {
namespace {

// The extraction writes one file at a time: every job is about the file
// opened last.
struct Job {
  enum class Kind { kOpen, kWrite, kCommit, kDiscard };
  struct Open {
    Entry entry;
    std::vector<std::u16string> path;
  };
  Kind kind;
  std::vector<uint8_t> data;   // kWrite
  std::unique_ptr<Open> open;  // kOpen
};

// Small files queue hardly any bytes: without a bound on their number, the
// extracting thread would run through thousands of them and then wait for
// the writer without a word to its caller, whose callbacks (and a stop)
// come with each file. A few dozen jobs are a few files' work.
constexpr size_t kMostJobsAhead = 48;

class WriteBehindTree : public OutputTree {
 public:
  WriteBehindTree(OutputTree& tree, size_t queued_bytes)
      : tree_(tree), limit_(queued_bytes), thread_([this] { Serve(); }) {}

  ~WriteBehindTree() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // Folders are made while the writer is idle, as all of them come before
  // the first file.
  void MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) override {
    WaitIdle();
    tree_.MakeDirectory(entry, path);
  }

  std::unique_ptr<OutputFile> CreateOutputFile(const Entry& entry,
                                               const std::vector<std::u16string>& path) override;

  void Finish() override {
    WaitIdle();
    tree_.Finish();
  }

  void Push(Job job, bool may_throw) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (may_throw && failure_) std::rethrow_exception(failure_);
    changed_.wait(lock, [this] { return queued_ < limit_ && pending_ < kMostJobsAhead; });
    queued_ += job.data.size();
    ++pending_;
    jobs_.push_back(std::move(job));
    changed_.notify_all();
  }

 private:
  // Waits until every job is done, and throws the writer's failure. The
  // writer stays idle until the next push: the tree is this thread's.
  void WaitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
    if (failure_) std::rethrow_exception(failure_);
  }

  void Serve() {
    std::vector<Job> batch;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      batch.swap(jobs_);
      busy_ = true;
      for (Job& job : batch) {
        lock.unlock();
        std::exception_ptr failure = Carry(job);
        const size_t done = job.data.size();
        job = Job{};  // its memory goes back before the caller is let on
        lock.lock();
        if (failure && !failure_) failure_ = failure;
        queued_ -= done;
        --pending_;
        changed_.notify_all();
      }
      batch.clear();
      busy_ = false;
      changed_.notify_all();
    }
  }

  // Carries out one job on the wrapped tree; returns what it threw.
  std::exception_ptr Carry(const Job& job) {
    try {
      switch (job.kind) {
        case Job::Kind::kOpen:
          if (!failed_) file_ = tree_.CreateOutputFile(job.open->entry, job.open->path);
          break;
        case Job::Kind::kWrite:
          if (file_ && !failed_) file_->Write(job.data.data(), job.data.size());
          break;
        case Job::Kind::kCommit:
          if (file_ && failed_) file_->Discard();
          if (file_ && !failed_) file_->Commit();
          file_.reset();
          break;
        case Job::Kind::kDiscard:
          if (file_) file_->Discard();
          file_.reset();
          break;
      }
      return nullptr;
    } catch (...) {
      failed_ = true;
      std::exception_ptr failure = std::current_exception();
      // No partial file stays behind a failure.
      if (file_) {
        try {
          file_->Discard();
        } catch (...) {
        }
        file_.reset();
      }
      return failure;
    }
  }

  OutputTree& tree_;
  const size_t limit_;
  // The writer's own: the file at hand, and its view of failure_.
  std::unique_ptr<OutputFile> file_;
  bool failed_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Job> jobs_;  // waiting for the writer, which takes them all at once
  size_t queued_ = 0;      // bytes of data waiting and in the job at hand
  size_t pending_ = 0;     // jobs waiting and the job at hand
  bool busy_ = false;
  bool stop_ = false;
  std::exception_ptr failure_;
  std::thread thread_;  // last: it starts once everything above exists
};

class BehindFile : public OutputFile {
 public:
  explicit BehindFile(WriteBehindTree& tree) : tree_(tree) {}

  void Write(const uint8_t* data, size_t size) override {
    if (size == 0) return;
    tree_.Push(Job{Job::Kind::kWrite, std::vector<uint8_t>(data, data + size), nullptr}, true);
  }
  void Commit() override { tree_.Push(Job{Job::Kind::kCommit, {}, nullptr}, true); }
  void Discard() override { tree_.Push(Job{Job::Kind::kDiscard, {}, nullptr}, false); }

 private:
  WriteBehindTree& tree_;
};

std::unique_ptr<OutputFile> WriteBehindTree::CreateOutputFile(
    const Entry& entry, const std::vector<std::u16string>& path) {
  Push(Job{Job::Kind::kOpen, {}, std::make_unique<Job::Open>(Job::Open{entry, path})}, true);
  return std::make_unique<BehindFile>(*this);
}

}  // namespace

std::unique_ptr<OutputTree> MakeWriteBehindTree(OutputTree& tree, size_t queued_bytes) {
  return std::make_unique<WriteBehindTree>(tree, queued_bytes);
}

}  // namespace orvane::archiver
