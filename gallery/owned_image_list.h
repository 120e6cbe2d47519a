// An image list that destroys itself exactly once, on every path. All of
// them share one live count, so a test can see that none is left behind.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <utility>

// Image lists currently held through OwnedImageList.
long LiveImageListCount();

class OwnedImageList {
public:
    OwnedImageList() = default;
    explicit OwnedImageList(HIMAGELIST list) { Reset(list); }
    ~OwnedImageList() { Reset(); }
    OwnedImageList(OwnedImageList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
    OwnedImageList& operator=(OwnedImageList&& other) noexcept;
    OwnedImageList(const OwnedImageList&) = delete;
    OwnedImageList& operator=(const OwnedImageList&) = delete;

    // Destroys the list held, if any, and takes the new one.
    void Reset(HIMAGELIST list = nullptr);
    HIMAGELIST Get() const { return list_; }
    explicit operator bool() const { return list_ != nullptr; }

private:
    HIMAGELIST list_ = nullptr;
};
