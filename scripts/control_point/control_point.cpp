// Finds where on the screen a control of Lumivane lies, through the
// program's own windows, so that the scripts that show or photograph the
// program click what they mean whatever size the dialogs' font gives them.
// It looks in whichever visible window takes input (a modal dialog, else
// the main window) and must run in the program's desktop.
// Usage: control_point OUTPUT_FILE CONTROL_ID [X Y]
//   Writes "X Y", the screen point X Y from the control's top-left corner
//   (by default its centre), to OUTPUT_FILE. Exit code 0 when written, 1
//   when no such control showed within 10 s or the file could not be
//   written, 2 on a wrong command line.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

namespace {
struct Search {
    int control_id;
    HWND control = nullptr;
};

BOOL CALLBACK LookInWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    HWND control = GetDlgItem(window, search->control_id);
    if (control == nullptr || !IsWindowVisible(control)) return TRUE;
    search->control = control;
    return FALSE;
}

HWND WaitForControl(int control_id) {
    for (int tries = 0; tries < 200; ++tries) {
        Search search{control_id};
        EnumWindows(LookInWindow, reinterpret_cast<LPARAM>(&search));
        if (search.control != nullptr) return search.control;
        Sleep(50);
    }
    return nullptr;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return 2;
    HWND control = WaitForControl(std::atoi(argv[2]));
    if (control == nullptr) return 1;
    RECT area{};
    GetClientRect(control, &area);
    POINT point{area.right / 2, area.bottom / 2};
    if (argc == 5) point = {std::atoi(argv[3]), std::atoi(argv[4])};
    ClientToScreen(control, &point);
    FILE* output = std::fopen(argv[1], "w");
    if (output == nullptr) return 1;
    const bool written = std::fprintf(output, "%ld %ld\n", static_cast<long>(point.x), static_cast<long>(point.y)) > 0;
    return std::fclose(output) == 0 && written ? 0 : 1;
}
