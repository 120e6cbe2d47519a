// A stand-in for a paint program that saves slowly: copies SOURCE to TARGET
// in five pieces 0.4 s apart, holding TARGET open (shared for reading, as
// such programs do) until the last piece is written.
#include <windows.h>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ifstream source(argv[1], std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
    const HANDLE target = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (bytes.empty() || target == INVALID_HANDLE_VALUE) return 1;
    const std::size_t piece = bytes.size() / 5 + 1;
    bool written = true;
    for (std::size_t at = 0; at < bytes.size() && written; at += piece) {
        const DWORD count = static_cast<DWORD>(bytes.size() - at < piece ? bytes.size() - at : piece);
        DWORD done = 0;
        written = WriteFile(target, bytes.data() + at, count, &done, nullptr) && done == count;
        Sleep(400);
    }
    return CloseHandle(target) && written ? 0 : 1;
}
