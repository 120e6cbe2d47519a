// The main window's lists follow their folders while it is open. A watcher
// thread waits on the folders' change notifications and posts one message;
// a timer looks at the folders that give none (network folders, and a folder
// that has gone, until it comes back). Each look brings both lists up to date
// without losing the user's selection, focus or scroll position, and previews
// the followed file again once it has changed and its writer has finished.
#pragma once
#include <windows.h>
#include <optional>

// Posted by the watcher thread; a burst of changes is one message.
inline constexpr UINT kFoldersChangedMessage = WM_APP + 2;

// Follows the folders the lists were filled from; starts afresh when they
// are not the folders followed so far, or one of them came or went.
void FollowListedFolders(HWND main_window);
// Ends the watcher thread and the timer; every way out of the main window comes here.
void StopFollowingFolders();
// The main window's messages that belong to following: the watcher's, the
// timer's, and the end of a modal loop that a look had to wait for. Nothing
// for any other message.
std::optional<INT_PTR> HandleFolderFollowMessage(HWND main_window, UINT message, WPARAM wparam);
