#include "platform/program_instance.h"

namespace {

HINSTANCE g_instance = nullptr;

}  // namespace

HINSTANCE ProgramInstance() { return g_instance; }

void SetProgramInstance(HINSTANCE instance) { g_instance = instance; }
