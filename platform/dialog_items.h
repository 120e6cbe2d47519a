// The controls of a dialog by id, as GetDlgItem finds them, but without a
// round trip to Wine's server each time: Wine lists every child of the
// dialog through its server for each GetDlgItem, and the window asks for the
// same few controls on every selection, paint and conversion.
#pragma once
#include <windows.h>

// The child of dialog with the given id, or null. A control found before is
// checked first (still the dialog's child, still of that id), with reads
// Wine answers on its own, and looked up again when it is not.
HWND DialogItem(HWND dialog, int id);
