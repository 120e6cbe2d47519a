#include "cli/conversion_slots.h"
#include <utility>

namespace {
// The slots whose slot this thread holds for the file it converts, if any.
thread_local ConversionSlots* t_holding = nullptr;

class SlotGivingWrite final : public WritableFile {
public:
    explicit SlotGivingWrite(std::unique_ptr<WritableFile> file) : file_(std::move(file)) {}
    bool Write(std::span<const std::uint8_t> bytes) override { return file_->Write(bytes); }
    bool Flush() override {
        ConversionSlots::GiveBackHeld();
        return file_->Flush();
    }
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
    : free_(count), files_(std::make_unique<SlotGivingFiles>(Files())), previous_(SetFileSystem(files_.get())) {}

ConversionSlots::~ConversionSlots() { SetFileSystem(previous_); }

void ConversionSlots::Take() {
    std::unique_lock<std::mutex> guard(lock_);
    freed_.wait(guard, [&] { return free_ > 0; });
    --free_;
}

void ConversionSlots::Give() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ++free_;
    }
    freed_.notify_one();
}

void ConversionSlots::GiveBackHeld() {
    if (ConversionSlots* slots = std::exchange(t_holding, nullptr)) slots->Give();
}

void ConversionSlots::Convert(const std::function<void()>& convert) {
    Take();
    t_holding = this;
    struct GiveBackAtEnd {
        ~GiveBackAtEnd() { GiveBackHeld(); }
    } at_end;
    convert();
}
