// Owning types for the GDI objects and device contexts the program makes. Each
// releases its object on every path, and all of them keep one live count, so a
// test can tell that nothing leaked (GetGuiResources is no help under Wine).
#pragma once
#include <windows.h>
#include <utility>

// GDI objects and device contexts currently held through the types below.
long LiveGdiObjectCount();
void CountGdiObjectCreated();
void CountGdiObjectReleased();

// A bitmap, font, brush or other object released with DeleteObject.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) { Reset(handle); }
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    void Reset(Handle handle = nullptr) {
        if (handle_) {
            DeleteObject(handle_);
            CountGdiObjectReleased();
        }
        handle_ = handle;
        if (handle_) CountGdiObjectCreated();
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBrush = GdiObject<HBRUSH>;

// A memory device context, released with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible_with) : dc_(CreateCompatibleDC(compatible_with)) {
        if (dc_) CountGdiObjectCreated();
    }
    ~MemoryDC() { Reset(); }
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& other) noexcept {
        if (this != &other) {
            Reset();
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    void Reset() {
        if (dc_) {
            DeleteDC(dc_);
            CountGdiObjectReleased();
            dc_ = nullptr;
        }
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// The device context of a window (or of the screen, for no window), released
// with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
        if (dc_) CountGdiObjectCreated();
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
            CountGdiObjectReleased();
            dc_ = nullptr;
        }
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
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
