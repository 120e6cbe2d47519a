#include "about/about_box.h"

void ShowAboutBox(HWND) {}
