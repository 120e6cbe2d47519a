// Bytes placed for the tests of wide reads (POSIX only).
#pragma once
#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>

// Bytes that end where an unreadable page begins: a read past them, by any
// instruction, stops the test, which the sanitizers cannot promise for wide
// reads.
class BytesBeforeAGuardPage {
public:
    explicit BytesBeforeAGuardPage(std::span<const std::uint8_t> bytes) {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        mapped_ = (bytes.size() + page - 1) / page * page + page;
        base_ = static_cast<std::uint8_t*>(mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (base_ == MAP_FAILED) throw std::bad_alloc();
        if (mprotect(base_ + mapped_ - page, page, PROT_NONE) != 0) {
            munmap(base_, mapped_);
            throw std::runtime_error("no unreadable page after the bytes");
        }
        bytes_ = {base_ + mapped_ - page - bytes.size(), bytes.size()};
        std::memcpy(bytes_.data(), bytes.data(), bytes.size());
    }
    ~BytesBeforeAGuardPage() { munmap(base_, mapped_); }
    BytesBeforeAGuardPage(const BytesBeforeAGuardPage&) = delete;
    BytesBeforeAGuardPage& operator=(const BytesBeforeAGuardPage&) = delete;
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::span<std::uint8_t> bytes_;
    std::size_t mapped_;
    std::uint8_t* base_;
};
