// How many files a batch converts at a time. Each file's thread takes a slot
// before it reads the file and gives it back just before it waits for the
// disk to flush what it wrote, so that another file converts meanwhile: a
// file waiting for the disk takes no processor, and counts for no slot.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include "core/file_access.h"
#include "core/uncopyable.h"

class ConversionSlots : Uncopyable {
public:
    // Puts a file system in front of the one in place while alive, so that
    // the flushes of files written give their thread's slot back.
    explicit ConversionSlots(std::size_t count);
    ~ConversionSlots();

    // Calls convert holding a slot, waiting for a free one first; the slot
    // goes back at the first flush, or when convert returns or throws.
    void Convert(const std::function<void()>& convert);

    // The threads to start for slots: two more, so that two files may wait
    // for the disk while the slots convert (a flush can take longer than a
    // conversion). Each thread that converts keeps its own buffers, so more
    // threads would cost more memory, for little.
    static std::size_t ThreadsFor(std::size_t slots) { return slots + 2; }

    // Gives back the slot this thread holds, if any: its file is about to
    // wait for the disk.
    static void GiveBackHeld();

private:
    void Take();
    void Give();

    std::mutex lock_;
    std::condition_variable freed_;
    std::size_t free_;
    std::unique_ptr<FileSystem> files_;
    FileSystem* previous_;
};
