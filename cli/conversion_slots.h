// How many files a batch converts at a time, and the threads that convert
// them. Each file's thread takes a slot before it takes the file and gives
// it back just before it waits for the disk to flush what it wrote, so that
// another file converts meanwhile: a file waiting for the disk takes no
// processor, and counts for no slot.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include "core/file_access.h"
#include "core/uncopyable.h"

class ConversionSlots : Uncopyable {
public:
    // Puts a file system in front of the one in place while alive, so that
    // the flushes of files written give their thread's slot back.
    explicit ConversionSlots(std::size_t count);
    // Waits for the threads started.
    ~ConversionSlots();

    // Waits for a free slot, then calls convert_next holding it: it
    // converts the next file, if any is left, and says whether it did. The
    // slot goes back at the file's flush (see FlushGivingBack), or when
    // convert_next returns or throws.
    bool ConvertNext(const std::function<bool()>& convert_next);

    // Starts threads that call convert_next, holding a slot, until it
    // returns false: one per slot, and one more whenever a file about to
    // wait for the disk gives back its slot while no thread waits for one,
    // up to most in all (and no more than ThreadsFor the slots). A thread
    // keeps its slot from file to file, and once flushes are seen to take
    // no time (in a file system in memory, say) through its flushes too:
    // the files convert on the same threads, with their stacks and buffers
    // in memory already, and no thread is woken for a slot. convert_next
    // must outlive the threads. Returns how many threads started: none
    // when the system gives none.
    std::size_t Start(std::function<bool()> convert_next, std::size_t most);
    // Waits until every thread started has finished.
    void Finish();

    // The most threads for slots: six more, so that six files may wait for
    // the disk while the slots convert. On a busy disk a flush takes several
    // times as long as a conversion, and flushes waiting together reach the
    // disk in fewer turns. The rooms files are read into, and the blocks of
    // a file, are shared by all threads: as many as files convert at once,
    // not one set per thread.
    static std::size_t ThreadsFor(std::size_t slots) { return slots + 6; }

    // Flushes file for the thread that holds a slot, if any, giving the
    // slot back first unless the flushes before took no time.
    static bool FlushGivingBack(WritableFile& file);

private:
    void Take();
    // Gives back the slot this thread holds, if any.
    static void GiveBackHeld();
    // The same on leaving a scope, whichever way.
    struct HeldSlotGoesBack {
        ~HeldSlotGoesBack() { GiveBackHeld(); }
    };
    // Gives a slot back; where the file is about to wait for the disk and
    // no thread waits for the slot, starts one more if it may.
    void Give(bool for_a_flush);
    // Under the lock.
    void StartOne();
    void Work();

    std::mutex lock_;
    std::condition_variable freed_;
    std::size_t waiting_ = 0;  // threads in Take
    std::size_t free_;
    std::size_t slots_;
    // Whether a file gives back its slot before its flush: until flushes
    // are seen to take no time, and again from one that waits.
    std::atomic<bool> flushes_wait_{true};
    std::atomic<int> quick_flushes_{0};  // in a row
    std::function<bool()> convert_next_;
    std::vector<std::thread> threads_;  // never beyond its first room, so never moved
    std::size_t most_threads_ = 0;
    bool done_ = false;  // convert_next found nothing left
    std::unique_ptr<FileSystem> files_;
    FileSystem* previous_;
};
