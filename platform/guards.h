// The owning types for everything the program acquires from Windows and must
// give back: handles, GDI objects, device contexts, paints, clipboard openings,
// global memory and its locks, file searches and registry keys. Each releases
// on every path. GDI objects and device contexts also keep one live count, so a
// test can tell that nothing leaked (GetGuiResources is no help under Wine).
#pragma once
#include <windows.h>
#include <cstdint>
#include <span>
#include <utility>

// GDI objects and device contexts currently held through the types below.
long LiveGdiObjectCount();
void CountGdiObjects(int change);

// Handles whose live number is kept: Traits::Count(+1) when one is taken,
// Traits::Count(-1) when it goes.
template <typename Traits>
concept CountedHandle = requires { Traits::Count(1); };

// A handle released by Traits::Close(handle), which answers whether releasing
// worked. Traits::Empty() is the value that holds nothing.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) { Reset(handle); }
    ~ScopedHandle() { Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Empty())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, Traits::Empty());
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    // Releases the handle held, if any, and takes the new one.
    void Reset(Handle handle = Traits::Empty()) {
        Close();
        handle_ = handle;
        if constexpr (CountedHandle<Traits>) {
            if (handle_ != Traits::Empty()) Traits::Count(1);
        }
    }
    // Releases now; false when releasing failed (a file whose last bytes could
    // not be written, say). Holding nothing counts as released.
    bool Close() {
        if (handle_ == Traits::Empty()) return true;
        const bool closed = Traits::Close(std::exchange(handle_, Traits::Empty()));
        if constexpr (CountedHandle<Traits>) Traits::Count(-1);
        return closed;
    }
    // Gives the handle up to a new owner (the clipboard, for one).
    Handle Release() {
        Handle handle = std::exchange(handle_, Traits::Empty());
        if constexpr (CountedHandle<Traits>) {
            if (handle != Traits::Empty()) Traits::Count(-1);
        }
        return handle;
    }
    // Where a creating call writes the new handle (RegOpenKeyExA, say);
    // whatever was held goes first. Only for handles that are not counted.
    Handle* Receive() {
        static_assert(!CountedHandle<Traits>);
        Close();
        return &handle_;
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }

private:
    Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};

// CreateFileA answers INVALID_HANDLE_VALUE, not null, when it fails.
struct FileHandleTraits : KernelHandleTraits {
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return FindClose(handle) != FALSE; }
};

// From FindFirstChangeNotificationA, which answers INVALID_HANDLE_VALUE when it fails.
struct ChangeNotificationTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return FindCloseChangeNotification(handle) != FALSE; }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static bool Close(Handle key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Empty() { return nullptr; }
    static bool Close(Handle block) { return GlobalFree(block) == nullptr; }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static bool Close(Handle menu) { return DestroyMenu(menu) != FALSE; }
};

template <typename GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static void Count(int change) { CountGdiObjects(change); }
    static Handle Empty() { return nullptr; }
    static bool Close(Handle object) { return DeleteObject(object) != FALSE; }
};

struct MemoryDCTraits {
    using Handle = HDC;
    static void Count(int change) { CountGdiObjects(change); }
    static Handle Empty() { return nullptr; }
    static bool Close(Handle dc) { return DeleteDC(dc) != FALSE; }
};

using OwnedHandle = ScopedHandle<KernelHandleTraits>;  // a process or thread
using OwnedFileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;      // from FindFirstFileA
using ChangeNotification = ScopedHandle<ChangeNotificationTraits>;
using RegistryKey = ScopedHandle<RegistryKeyTraits>;
using OwnedGlobal = ScopedHandle<GlobalMemoryTraits>;   // from GlobalAlloc
using OwnedMenu = ScopedHandle<MenuTraits>;            // a menu that is no window's menu
using OwnedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using OwnedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using OwnedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;

// A memory device context compatible with another one (or with the screen,
// for none), released with DeleteDC.
class MemoryDC : public ScopedHandle<MemoryDCTraits> {
public:
    explicit MemoryDC(HDC compatible_with) : ScopedHandle(CreateCompatibleDC(compatible_with)) {}
};

// The device context of a window (or of the screen, for no window), released
// with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
        if (dc_) CountGdiObjects(1);
    }
    ~WindowDC() { Reset(); }
    WindowDC(WindowDC&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&& other) noexcept {
        if (this != &other) {
            Reset();
            window_ = std::exchange(other.window_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    void Reset() {
        if (dc_) {
            ReleaseDC(window_, dc_);
            CountGdiObjects(-1);
            dc_ = nullptr;
        }
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// A window's timer, killed when this goes (or when set again with another period).
class WindowTimer {
public:
    WindowTimer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
    ~WindowTimer() { Kill(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;
    // Fires every period milliseconds from now on; 0 kills it.
    void Set(UINT period) {
        if (period == period_) return;
        Kill();
        if (period != 0 && SetTimer(window_, id_, period, nullptr) != 0) period_ = period;
    }
    void Kill() {
        if (period_ != 0) KillTimer(window_, id_);
        period_ = 0;
    }
    UINT Period() const { return period_; }

private:
    HWND window_;
    UINT_PTR id_;
    UINT period_ = 0;
};

// A thread that ends when its stop event is set: this sets it and waits for
// the thread when it goes, so nothing the thread uses is freed under it.
class JoinedThread {
public:
    JoinedThread() = default;
    ~JoinedThread() { Join(); }
    JoinedThread(const JoinedThread&) = delete;
    JoinedThread& operator=(const JoinedThread&) = delete;
    // Starts body(argument) with a fresh stop event; false when it could not start.
    bool Start(LPTHREAD_START_ROUTINE body, void* argument) {
        Join();
        stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!stop_) return false;
        thread_.Reset(CreateThread(nullptr, 0, body, argument, 0, nullptr));
        return static_cast<bool>(thread_);
    }
    HANDLE StopEvent() const { return stop_.Get(); }
    void Join() {
        if (thread_) {
            SetEvent(stop_.Get());
            WaitForSingleObject(thread_.Get(), INFINITE);
            thread_.Reset();
        }
        stop_.Reset();
    }

private:
    ScopedHandle<KernelHandleTraits> stop_;
    ScopedHandle<KernelHandleTraits> thread_;
};

// Selects an object into a device context and puts the previous one back.
class ObjectSelection {
public:
    ObjectSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ObjectSelection() { Restore(); }
    ObjectSelection(const ObjectSelection&) = delete;
    ObjectSelection& operator=(const ObjectSelection&) = delete;
    void Restore() {
        if (previous_) {
            SelectObject(dc_, previous_);
            previous_ = nullptr;
        }
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// One WM_PAINT: BeginPaint now, EndPaint when this goes. Dc() is null when
// BeginPaint failed; EndPaint still follows, as it must after every BeginPaint.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { End(); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    HDC Dc() const { return dc_; }
    const RECT& Invalid() const { return paint_.rcPaint; }
    // Ends the paint early, so drawing after it (over child windows) is not
    // clipped to the update region.
    void End() {
        if (window_) EndPaint(std::exchange(window_, nullptr), &paint_);
    }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

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
        : block_(block), bytes_(block ? static_cast<std::uint8_t*>(GlobalLock(block)) : nullptr) {}
    ~LockedGlobal() {
        if (bytes_) GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    std::span<std::uint8_t> Bytes() const {
        return bytes_ ? std::span<std::uint8_t>(bytes_, GlobalSize(block_)) : std::span<std::uint8_t>();
    }

private:
    HGLOBAL block_;
    std::uint8_t* bytes_;
};

// A movable global memory block holding a copy of bytes, ready to be handed
// to the clipboard; empty when memory runs out.
OwnedGlobal CopyToGlobal(std::span<const std::uint8_t> bytes);
