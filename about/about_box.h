// The About box: the program's name, the owner's notice and the licence on the
// main window's background, with one OK button.
#pragma once
#include <windows.h>
#include <string_view>

inline constexpr const char* kAboutTemplate = "ABOUT";
extern const std::string_view kOwnerNotice;
extern const std::string_view kLicenceNotice;

// Runs the About box, modal over owner; returns when the box ends.
void ShowAboutBox(HWND owner);
INT_PTR CALLBACK AboutDialogProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
