// The clipboard, opened and locked only for as long as an owning object lives.
#pragma once
#include <windows.h>
#include <cstdint>
#include <span>
#include <string_view>

// Opens the clipboard for a window and closes it again on every path.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : opened_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() {
        if (opened_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    explicit operator bool() const { return opened_; }

private:
    bool opened_;
};

// The bytes of a global memory block, locked while this lives. The span covers
// exactly the block's size, so nothing outside the block can be reached by it.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block)
        : block_(block), bytes_(block ? static_cast<const std::uint8_t*>(GlobalLock(block)) : nullptr) {}
    ~LockedGlobal() {
        if (bytes_) GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    std::span<const std::uint8_t> Bytes() const {
        return bytes_ ? std::span<const std::uint8_t>(bytes_, GlobalSize(block_)) : std::span<const std::uint8_t>();
    }

private:
    HGLOBAL block_;
    const std::uint8_t* bytes_;
};

// Replaces what the clipboard holds with the text (CF_TEXT). False when the
// clipboard is held open by another program or memory runs out.
bool PutTextOnClipboard(HWND owner, std::string_view text);
