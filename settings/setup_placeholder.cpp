#include "settings/setup_dialog.h"

void ShowSetupDialog(HWND) {}
