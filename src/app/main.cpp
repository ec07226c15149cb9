// Entry point: developer options, then the game.
#include <cstdio>
#include <string>

#include "app/dev_options.h"
#include "app/startup.h"
#include "platform/data_paths.h"

int main(int argc, char** argv) {
    DevOptions options;
    std::string error;
    if (!ParseDevOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "puckslide3d: %s\n%s", error.c_str(), DevOptionsUsage());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(DevOptionsUsage(), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("Puckslide 3D %s\n", PUCKSLIDE_VERSION);
        return 0;
    }
    InitDataPaths();
    return WinMain(options);
}
