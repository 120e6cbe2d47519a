// Positioned reads of a file's pieces on POSIX: many in one call to the
// kernel where it has a way to (Linux's io_uring), one call each elsewhere.
// On a virtual machine a call costs as much as copying tens of kilobytes,
// and a picture's kept rows are a few hundred small pieces.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include "core/file_access.h"

// Reads up to buffer.size() bytes of fd from offset with as many calls as it
// takes; the count read (less at the end of the file), or nothing when a
// read fails.
std::optional<std::size_t> ReadFileAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer);

// Whether this thread can ask for many pieces in one call; the first call
// sets up what it takes, and says false for good when the kernel refuses.
bool ThisThreadReadsPiecesTogether();

// Reads every piece of fd in full, as few calls at a time as this thread's
// ring takes; any piece the ring leaves short is finished with ReadFileAt.
// False when a piece cannot be read in full; nothing read, and nothing
// returned, when this thread has no ring.
std::optional<bool> ReadPiecesTogether(int fd, std::span<const FilePiece> pieces);

// Whether the page of fd that holds byte at is in the page cache, asked in
// a way that reads nothing and starts no fetch from the disk (a read that
// may not wait would start one); nothing where the kernel cannot tell
// (Linux before 6.5, other systems).
std::optional<bool> PageInMemory(int fd, std::uint64_t at);
