// Picking the external bitmap tool in the Setup dialog with the Open dialog.
#pragma once
#include <windows.h>

// Shows the picked program's full path in the dialog's tool path text; a
// cancelled Open dialog changes nothing.
void PickBitmapTool(HWND setup_dialog);
