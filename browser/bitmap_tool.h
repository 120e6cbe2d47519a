// The user's external bitmap tool, started on one file and waited for.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

// The tool's command line for a file: a space, which leaves the tool's own
// name empty, then the path in double quotes, so that a path with spaces
// reaches the tool as one argument.
std::string BitmapToolCommandLine(std::string_view path);

// Stands in for CreateProcessA, so that tests can see the flags the tool is
// started with (Wine does not apply a priority class given at creation, so
// the started tool cannot tell). nullptr puts CreateProcessA back; returns
// the one in place.
using ProcessStarter = decltype(&CreateProcessA);
ProcessStarter SetProcessStarter(ProcessStarter starter);

// Starts the tool of the "BMPTool" setting with the command line, in the high
// priority class, and waits for its end with the main window hidden; then
// restores the main window. A tool that cannot start is not reported: the
// window simply comes back. Returns 1.
int RunBitmapTool(HWND main_window, std::string_view command_line);
