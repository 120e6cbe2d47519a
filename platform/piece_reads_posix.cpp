#include "platform/piece_reads.h"
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#if defined(__linux__) && __has_include(<linux/io_uring.h>)
#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <atomic>
#include <cstring>
#define LUMIVANE_PIECE_RING 1
#endif

std::optional<std::size_t> ReadFileAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer) {
    std::size_t total = 0;
    while (total < buffer.size()) {
        const ssize_t got = pread(fd, buffer.data() + total, buffer.size() - total, static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

// cachestat(2), Linux 6.5 on: older headers do not name it, and the
// architectures with a table of their own number it differently.
#if defined(__NR_cachestat)
#define LUMIVANE_CACHESTAT __NR_cachestat
#elif defined(__linux__) && ((defined(__x86_64__) && !defined(__ILP32__)) || defined(__i386__) || defined(__aarch64__) || defined(__arm__) || defined(__riscv))
#define LUMIVANE_CACHESTAT 451
#endif

std::optional<bool> PageInMemory(int fd, std::uint64_t at) {
#ifdef LUMIVANE_CACHESTAT
    struct {
        std::uint64_t offset, length;
    } range{at, 1};
    struct {
        std::uint64_t cached, dirty, writeback, evicted, recently_evicted;
    } counts{};
    if (syscall(LUMIVANE_CACHESTAT, fd, &range, &counts, 0) == 0) return counts.cached != 0;
    if (errno == ENOSYS || errno == EPERM) return std::nullopt;
    return false;
#else
    (void)fd;
    (void)at;
    return std::nullopt;
#endif
}

namespace {

#ifdef LUMIVANE_PIECE_RING
// Finishes a piece of which done bytes were read.
bool FinishPiece(int fd, const FilePiece& piece, std::size_t done) {
    const std::span<std::uint8_t> rest = piece.into.subspan(done);
    return rest.empty() || ReadFileAt(fd, piece.offset + done, rest) == rest.size();
}

// This thread's submission and completion queues, shared with the kernel.
// The kernel copies each piece straight into its place: one call for a
// whole batch, and only the pieces' bytes copied.
class PieceRing {
public:
    static constexpr unsigned kEntries = 64;

    PieceRing() {
        io_uring_params params{};
        const long ring = syscall(__NR_io_uring_setup, kEntries, &params);
        if (ring < 0) return;  // no such call, or refused here
        ring_ = static_cast<int>(ring);
        submission_bytes_ = params.sq_off.array + params.sq_entries * sizeof(unsigned);
        completion_bytes_ = params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe);
        const bool one_map = (params.features & IORING_FEAT_SINGLE_MMAP) != 0;
        if (one_map) submission_bytes_ = completion_bytes_ = std::max(submission_bytes_, completion_bytes_);
        submission_ = Map(submission_bytes_, IORING_OFF_SQ_RING);
        completion_ = one_map ? submission_ : Map(completion_bytes_, IORING_OFF_CQ_RING);
        entries_ = static_cast<io_uring_sqe*>(Map(params.sq_entries * sizeof(io_uring_sqe), IORING_OFF_SQES));
        entries_bytes_ = params.sq_entries * sizeof(io_uring_sqe);
        if (!submission_ || !completion_ || !entries_) return;
        const auto at = [](void* map, std::uint32_t offset) { return reinterpret_cast<unsigned*>(static_cast<char*>(map) + offset); };
        sq_tail_ = at(submission_, params.sq_off.tail);
        sq_mask_ = *at(submission_, params.sq_off.ring_mask);
        sq_array_ = at(submission_, params.sq_off.array);
        cq_head_ = at(completion_, params.cq_off.head);
        cq_tail_ = at(completion_, params.cq_off.tail);
        cq_mask_ = *at(completion_, params.cq_off.ring_mask);
        cqes_ = reinterpret_cast<io_uring_cqe*>(static_cast<char*>(completion_) + params.cq_off.cqes);
        capacity_ = std::min(params.sq_entries, kEntries);
        // The slots of the submission array name the entries in order, for good.
        for (unsigned i = 0; i <= sq_mask_; ++i) sq_array_[i] = i;
        usable_ = true;
    }
    ~PieceRing() {
        if (entries_) munmap(entries_, entries_bytes_);
        if (completion_ && completion_ != submission_) munmap(completion_, completion_bytes_);
        if (submission_) munmap(submission_, submission_bytes_);
        if (ring_ >= 0) close(ring_);
    }
    PieceRing(const PieceRing&) = delete;
    PieceRing& operator=(const PieceRing&) = delete;

    bool usable() const { return usable_; }

    // Reads the pieces, at most capacity_ at a time; what a batch leaves
    // short is finished with plain reads.
    bool Read(int fd, std::span<const FilePiece> pieces) {
        bool whole = true;
        while (!pieces.empty()) {
            const std::size_t count = std::min<std::size_t>(pieces.size(), capacity_);
            whole = ReadBatch(fd, pieces.first(count)) && whole;
            pieces = pieces.subspan(count);
        }
        return whole;
    }

private:
    void* Map(std::size_t bytes, off_t what) const {
        void* map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, ring_, what);
        return map == MAP_FAILED ? nullptr : map;
    }

    bool ReadBatch(int fd, std::span<const FilePiece> pieces) {
        const unsigned tail = std::atomic_ref(*sq_tail_).load(std::memory_order_relaxed);
        for (unsigned i = 0; i < pieces.size(); ++i) {
            io_uring_sqe& entry = entries_[(tail + i) & sq_mask_];
            std::memset(&entry, 0, sizeof entry);
            entry.opcode = IORING_OP_READ;
            entry.fd = fd;
            entry.addr = reinterpret_cast<std::uintptr_t>(pieces[i].into.data());
            // A piece longer than one read takes comes back short, and is finished plainly.
            entry.len = static_cast<std::uint32_t>(std::min<std::size_t>(pieces[i].into.size(), 1u << 30));
            entry.off = pieces[i].offset;
            entry.user_data = i;
        }
        const unsigned count = static_cast<unsigned>(pieces.size());
        std::atomic_ref(*sq_tail_).store(tail + count, std::memory_order_release);
        // Bytes read of each piece; a piece whose read went wrong is finished
        // plainly, which tells the truth about it. A read of the page cache
        // is done as it is submitted, so one call mostly does it all.
        std::size_t done[kEntries] = {};
        unsigned submitted = 0, reaped = 0;
        const auto reap = [&] {
            unsigned head = *cq_head_;
            const unsigned completed = std::atomic_ref(*cq_tail_).load(std::memory_order_acquire);
            for (; head != completed; ++head, ++reaped) {
                const io_uring_cqe& result = cqes_[head & cq_mask_];
                if (result.user_data < count && result.res > 0) done[result.user_data] = static_cast<std::size_t>(result.res);
                if (result.res == -EINVAL) usable_ = false;  // a kernel without this kind of read: plain reads from now on
            }
            std::atomic_ref(*cq_head_).store(head, std::memory_order_release);
        };
        while (submitted < count) {
            const long taken = syscall(__NR_io_uring_enter, ring_, count - submitted, 0, 0, nullptr, 0);
            if (taken < 0 && errno == EINTR) continue;
            if (taken <= 0) break;  // the rest is read plainly below
            submitted += static_cast<unsigned>(std::min<long>(taken, count - submitted));
        }
        // Entries the kernel did not take are taken back.
        std::atomic_ref(*sq_tail_).store(tail + submitted, std::memory_order_release);
        // Pieces in flight must land before their room is used again, so
        // this waits whatever the call says.
        reap();
        while (reaped < submitted) {
            syscall(__NR_io_uring_enter, ring_, 0, submitted - reaped, IORING_ENTER_GETEVENTS, nullptr, 0);
            reap();
        }
        bool whole = true;
        for (unsigned i = 0; i < count; ++i) whole = FinishPiece(fd, pieces[i], std::min(done[i], pieces[i].into.size())) && whole;
        return whole;
    }

    int ring_ = -1;
    bool usable_ = false;
    void* submission_ = nullptr;
    void* completion_ = nullptr;
    io_uring_sqe* entries_ = nullptr;
    std::size_t submission_bytes_ = 0, completion_bytes_ = 0, entries_bytes_ = 0;
    unsigned* sq_tail_ = nullptr;
    unsigned* sq_array_ = nullptr;
    unsigned* cq_head_ = nullptr;
    unsigned* cq_tail_ = nullptr;
    unsigned sq_mask_ = 0, cq_mask_ = 0, capacity_ = 0;
    io_uring_cqe* cqes_ = nullptr;
};

PieceRing* ThisThreadsRing() {
    thread_local PieceRing ring;
    return ring.usable() ? &ring : nullptr;
}
#endif

}  // namespace

bool ThisThreadReadsPiecesTogether() {
#ifdef LUMIVANE_PIECE_RING
    return ThisThreadsRing() != nullptr;
#else
    return false;
#endif
}

std::optional<bool> ReadPiecesTogether([[maybe_unused]] int fd, [[maybe_unused]] std::span<const FilePiece> pieces) {
#ifdef LUMIVANE_PIECE_RING
    if (PieceRing* ring = ThisThreadsRing()) return ring->Read(fd, pieces);
#endif
    return std::nullopt;
}
