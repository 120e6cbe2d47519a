// A stand-in for the user's bitmap tool. After a short pause it writes the
// command line it was started with into the file named by
// LUMIVANE_TOOL_RECORD, so that a caller that does not wait for the tool to
// end finds no record.
#include <windows.h>
#include <cstdlib>
#include <fstream>

int main() {
    const char* record_path = std::getenv("LUMIVANE_TOOL_RECORD");
    if (!record_path) return 2;
    Sleep(400);
    std::ofstream(record_path, std::ios::binary) << GetCommandLineA() << "\n";
    return 0;
}
