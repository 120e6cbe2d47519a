#include "image/conversion_pipeline.h"

void RunConversion(HWND, const char*, const char*, std::uint32_t) {}
