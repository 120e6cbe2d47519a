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

    // The threads to start for slots: six more, so that six files may wait
    // for the disk while the slots convert. On a busy disk a flush takes
    // several times as long as a conversion, and flushes waiting together
    // reach the disk in fewer turns. The rooms files are read into, and the
    // blocks of a file, are shared by all threads: as many as files convert
    // at once, not one set per thread.
    static std::size_t ThreadsFor(std::size_t slots) { return slots + 6; }

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
