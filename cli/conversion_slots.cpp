#include "cli/conversion_slots.h"
#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace {
// The slots whose slot this thread holds for the file it converts, if any.
thread_local ConversionSlots* t_holding = nullptr;

class SlotGivingWrite final : public WritableFile {
public:
    explicit SlotGivingWrite(std::unique_ptr<WritableFile> file) : file_(std::move(file)) {}
    bool Write(std::span<const std::uint8_t> bytes) override { return file_->Write(bytes); }
    bool Flush() override { return ConversionSlots::FlushGivingBack(*file_); }
    bool Close() override { return file_->Close(); }
    bool MoveWhileOpen(const char* path) override { return file_->MoveWhileOpen(path); }

private:
    std::unique_ptr<WritableFile> file_;
};

// The file system in place, whose temporary files give the slot back when flushed.
class SlotGivingFiles final : public FileSystem {
public:
    explicit SlotGivingFiles(FileSystem& files) : files_(files) {}
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override { return files_.OpenForReading(path); }
    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        std::unique_ptr<WritableFile> file = files_.CreateTemporary(path, temporary);
        return file ? std::make_unique<SlotGivingWrite>(std::move(file)) : nullptr;
    }
    bool MoveTemporary(const std::string& temporary, const char* path) override { return files_.MoveTemporary(temporary, path); }
    void RemoveTemporary(const std::string& temporary) override { files_.RemoveTemporary(temporary); }
    void FlushFolder(const char* path) override { files_.FlushFolder(path); }

private:
    FileSystem& files_;
};
}  // namespace

ConversionSlots::ConversionSlots(std::size_t count)
    : free_(count), slots_(count), files_(std::make_unique<SlotGivingFiles>(Files())), previous_(SetFileSystem(files_.get())) {
    // Room for every thread there may be, so that starting one never moves the others.
    threads_.reserve(ThreadsFor(count));
}

ConversionSlots::~ConversionSlots() {
    Finish();
    SetFileSystem(previous_);
}

void ConversionSlots::Take() {
    std::unique_lock<std::mutex> guard(lock_);
    ++waiting_;
    freed_.wait(guard, [&] { return free_ > 0; });
    --waiting_;
    --free_;
}

void ConversionSlots::Give(bool for_a_flush) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ++free_;
        if (waiting_ == 0) {
            if (for_a_flush && !done_ && threads_.size() < most_threads_) StartOne();
            return;
        }
    }
    freed_.notify_one();
}

void ConversionSlots::GiveBackHeld() {
    if (ConversionSlots* slots = std::exchange(t_holding, nullptr)) slots->Give(false);
}

bool ConversionSlots::FlushGivingBack(WritableFile& file) {
    ConversionSlots* const slots = t_holding;
    if (!slots) return file.Flush();
    if (slots->flushes_wait_.load(std::memory_order_relaxed)) {
        t_holding = nullptr;
        slots->Give(true);
    }
    // A flush that waits for a disk takes a good part of a millisecond; one
    // in memory a few microseconds.
    constexpr auto kFlushThatWaits = std::chrono::microseconds(50);
    constexpr int kQuickFlushesToKeep = 2;
    const auto started = std::chrono::steady_clock::now();
    const bool flushed = file.Flush();
    const bool waited = std::chrono::steady_clock::now() - started > kFlushThatWaits;
    if (waited) {
        slots->quick_flushes_.store(0, std::memory_order_relaxed);
        slots->flushes_wait_.store(true, std::memory_order_relaxed);
    } else if (slots->quick_flushes_.fetch_add(1, std::memory_order_relaxed) + 1 >= kQuickFlushesToKeep) {
        slots->flushes_wait_.store(false, std::memory_order_relaxed);
    }
    return flushed;
}

bool ConversionSlots::ConvertNext(const std::function<bool()>& convert_next) {
    Take();
    t_holding = this;
    const HeldSlotGoesBack at_end;
    return convert_next();
}

void ConversionSlots::Work() {
    const HeldSlotGoesBack at_end;
    for (;;) {
        // The slot is kept from file to file unless a flush gave it back.
        if (!t_holding) {
            Take();
            t_holding = this;
        }
        if (!convert_next_()) break;
    }
    const std::lock_guard<std::mutex> guard(lock_);
    done_ = true;
}

void ConversionSlots::StartOne() {
    try {
        threads_.emplace_back([this] { Work(); });
    } catch (const std::exception&) {  // no thread or no memory for one
        most_threads_ = threads_.size();
    }
}

std::size_t ConversionSlots::Start(std::function<bool()> convert_next, std::size_t most) {
    const std::lock_guard<std::mutex> guard(lock_);
    convert_next_ = std::move(convert_next);
    most_threads_ = std::min(most, ThreadsFor(slots_));
    while (threads_.size() < std::min(slots_, most_threads_)) {
        const std::size_t before = threads_.size();
        StartOne();
        if (threads_.size() == before) break;
    }
    return threads_.size();
}

void ConversionSlots::Finish() {
    // A thread still at work may start another: look again after each join.
    for (std::size_t i = 0;; ++i) {
        std::thread* thread = nullptr;
        {
            const std::lock_guard<std::mutex> guard(lock_);
            if (i == threads_.size()) {
                most_threads_ = 0;
                return;
            }
            thread = &threads_[i];
        }
        if (thread->joinable()) thread->join();
    }
}
