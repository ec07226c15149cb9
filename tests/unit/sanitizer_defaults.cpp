// Settings the unit-test binary carries itself, so every way of running it agrees.
#include <cstdlib>

// System libraries keep some allocations until the process ends: Mesa's driver (kept
// loaded by gl_test_context.h so it can be named here), LLVM behind it, and D-Bus.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dri.so\n"
           "leak:libLLVM\n"
           "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n";
}

// SDL opens a D-Bus session for screen-saver control; the tests need none.
static const int kNoDbus = setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
