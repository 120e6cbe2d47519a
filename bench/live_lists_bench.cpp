// The main window following its folders under Wine (or on Windows): how long
// a file created by another program takes to show in its list, and how much
// processor time the window takes while nothing changes for a minute.
// Prints the figures; nothing here is a test.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "bench/window_bench.h"
#include "resources/resource_ids.h"
#include "tests/win/win_test_support.h"

namespace {

double Seconds(const FILETIME& time) {
    return static_cast<double>((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 1e7;
}

// User and kernel time of this process so far.
double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
    const int idle_seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    WindowBench bench("bench-live");
    const ScratchFolder& bitmaps = bench.bitmaps;
    const Bytes picture = BitmapFile(64, 64, 24, {}, [](int x, int y) { return static_cast<std::uint32_t>(x << 16 | y << 8); });
    for (int i = 0; i < 100; ++i) bitmaps.Write("existing" + std::to_string(i) + ".bmp", picture);

    MainWindowUnderTest main;
    HWND list = main.Item(IDC_BITMAPS_LIST);
    std::vector<double> listed_ms;
    int missed = 0;
    for (int i = 0; i < 30; ++i) {
        const int before = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        const ULONGLONG start = GetTickCount64();
        bitmaps.Write("new" + std::to_string(i) + ".bmp", picture);
        if (PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > before; }, 3000)) {
            listed_ms.push_back(static_cast<double>(GetTickCount64() - start));
        } else {
            ++missed;
        }
        PumpUntil([] { return false; }, 100);
    }
    std::sort(listed_ms.begin(), listed_ms.end());

    const double cpu_before = ProcessorSeconds();
    const ULONGLONG idle_start = GetTickCount64();
    // A plain message loop, as the dialog's own, until a timer of this thread ends it.
    const UINT_PTR end = SetTimer(nullptr, 0, static_cast<UINT>(idle_seconds) * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == end) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    KillTimer(nullptr, end);
    const double wall = static_cast<double>(GetTickCount64() - idle_start) / 1000.0;
    const double cpu = ProcessorSeconds() - cpu_before;

    if (!listed_ms.empty()) {
        std::printf("file created -> listed: median %.0f ms, fastest %.0f ms, slowest %.0f ms over %zu files (%d not listed within 3 s)\n",
                    listed_ms[listed_ms.size() / 2], listed_ms.front(), listed_ms.back(), listed_ms.size(), missed);
    }
    std::printf("idle window, both lists followed: %.3f s of processor over %.1f s = %.3f %% of a core\n", cpu, wall, 100.0 * cpu / wall);
    return 0;
}
