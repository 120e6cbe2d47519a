// A stand-in for the user's bitmap tool. After a short pause it writes the
// command line it was started with into the file named by
// LUMIVANE_TOOL_RECORD (in UTF-8), so that a caller that does not wait for the tool to
// end finds no record.
#include <windows.h>
#include <cstdlib>
#include <fstream>
#include <string>

int main() {
    const char* record_path = std::getenv("LUMIVANE_TOOL_RECORD");
    if (!record_path) return 2;
    Sleep(400);
    // In UTF-8, whatever this stand-in's own code page: names in every script come through.
    const wchar_t* line = GetCommandLineW();
    std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    text.pop_back();  // its zero
    std::ofstream(record_path, std::ios::binary) << text << "\n";
    return 0;
}
