#include "browser/convert_command.h"

void ConvertSelection(HWND, int) {}
