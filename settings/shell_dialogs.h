// The shell's folder browser and the Open dialog, each behind one thin seam so
// that an in-process test can script the answer and record the request.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // As SHBrowseForFolderA: an item list from the shell's allocator, or null
    // when the user cancelled.
    virtual PIDLIST_ABSOLUTE Browse(BROWSEINFOA& request) = 0;
};

class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // As GetOpenFileNameA: non-zero when a file was picked into the request's buffer.
    virtual BOOL Open(OPENFILENAMEA& request) = 0;
};

PIDLIST_ABSOLUTE ShowFolderBrowser(BROWSEINFOA& request);
BOOL ShowOpenDialog(OPENFILENAMEA& request);

// Replace the seam; nullptr puts the shell's own dialog back. Each returns
// the one that was in place.
FolderBrowser* SetFolderBrowser(FolderBrowser* browser);
OpenDialog* SetOpenDialog(OpenDialog* dialog);
