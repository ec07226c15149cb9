// Settings the unit-test binary carries itself, so every way of running it agrees.
#include <cstdlib>

// Libraries stay loaded for the life of the test process. SDL and Mesa unload theirs
// when the last window or context goes; the leak checker then loses the unloaded
// library's globals as roots and cannot even name it, so allocations that were still
// reachable show up as leaks of an unknown module, at random, depending on which test
// closed the last context. Loaded libraries keep their roots and their names.
extern "C" int dlclose(void*) { return 0; }

// What system libraries still hold at exit and never free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dri.so\n"
           "leak:libLLVM\n"
           "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n";
}

// SDL opens a D-Bus session for screen-saver control; the tests need none.
static const int kNoDbus = setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
