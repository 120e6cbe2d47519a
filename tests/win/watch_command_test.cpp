// lumivane-convert watch under Wine, with a Windows program as the writer,
// whose open handle the command must see and wait for.
#include <windows.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>
#include "app/companion_library.h"
#include "platform/guards.h"
#include "tests/win/win_test_support.h"

namespace {

std::uint8_t Cube(int x, int y) { return static_cast<std::uint8_t>(CubeIndex(x / 43, y / 43, (x + y) % 6)); }

std::vector<std::string> LinesIn(const std::filesystem::path& path) {
    const Bytes text = ReadWholeFile(path);
    return LinesOf(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

TEST(WatchCommand, WaitsForTheWritersHandleAndConvertsTheWholePictureOnce) {
    ScratchFolder folder("watch");
    const std::filesystem::path in = folder.Path() / "in", out = folder.Path() / "out";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    EnsureCompanionLibrary();
    QueryPaletteId();
    const auto palette = CompanionPalette();
    folder.Write("in/new.af.bmp", BitmapFile(256, 256, 8, palette, Cube));

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const std::filesystem::path lines_path = folder.Path() / "lines.txt", errors_path = folder.Path() / "errors.txt";
    OwnedFileHandle lines(CreateFileA(lines_path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr));
    OwnedFileHandle errors(CreateFileA(errors_path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = lines.Get();
    startup.hStdError = errors.Get();
    std::string command = "lumivane-convert.exe watch to-af \"" + in.string() + "\" --out \"" + out.string() + "\" -j 2";
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(BesideTestProgram("lumivane-convert.exe").string().c_str(), command.data(), nullptr, nullptr, TRUE,
                               CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process));
    const OwnedHandle watch(process.hProcess), thread(process.hThread);
    EXPECT_TRUE(AppearsWithin(out / "new.af", std::chrono::seconds(5)));

    // Another Windows program holds the file open while it writes it in five
    // pieces, pausing longer than the quiet while the command waits for.
    const Bytes whole = BitmapFile(256, 256, 8, palette, Cube);
    folder.Write("whole.bmp", whole);
    std::string writer_command = "write_in_pieces.exe \"" + (folder.Path() / "whole.bmp").string() + "\" \"" + (in / "piece.af.bmp").string() + "\"";
    STARTUPINFOA writer_startup{};
    writer_startup.cb = sizeof writer_startup;
    PROCESS_INFORMATION writer{};
    ASSERT_TRUE(CreateProcessA(BesideTestProgram("write_in_pieces.exe").string().c_str(), writer_command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &writer_startup, &writer));
    const OwnedHandle writer_process(writer.hProcess), writer_thread(writer.hThread);
    ASSERT_EQ(WaitForSingleObject(writer_process.Get(), 10000), WAIT_OBJECT_0);
    DWORD writer_status = 9;
    GetExitCodeProcess(writer_process.Get(), &writer_status);
    EXPECT_EQ(writer_status, 0u);
    EXPECT_TRUE(AppearsWithin(out / "piece.af", std::chrono::seconds(3)));
    Sleep(600);
    // Wine delivers no console control event to a process it started
    // without a terminal, so the command is ended from outside here.
    TerminateProcess(watch.Get(), 9);
    WaitForSingleObject(watch.Get(), 5000);
    lines.Close();
    errors.Close();

    const std::vector<std::string> expected{(in / "new.af.bmp").string() + " -> " + (out / "new.af").string(),
                                            (in / "piece.af.bmp").string() + " -> " + (out / "piece.af").string()};
    EXPECT_EQ(LinesIn(lines_path), expected);
    EXPECT_TRUE(LinesIn(errors_path).empty()) << ReadWholeFile(errors_path).size() << " bytes of errors";
    // The texture of a bitmap in the texture palette holds the bitmap's own indices.
    EXPECT_EQ(ReadWholeFile(out / "piece.af"), Texture(Cube));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 2) << "no temporary left";
}

}  // namespace
