#include "platform/gdi_objects.h"

namespace {
long g_live_gdi_objects = 0;  // the GUI thread is the only one that draws
}

long LiveGdiObjectCount() { return g_live_gdi_objects; }
void CountGdiObjectCreated() { ++g_live_gdi_objects; }
void CountGdiObjectReleased() { --g_live_gdi_objects; }
