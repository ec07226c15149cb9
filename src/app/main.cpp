// Entry point: developer options, then the game.
#include <cstdio>
#include <string>

#include "app/dev_options.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/world_list.h"
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
    if (!options.sendRecord.empty()) {
        const std::string url = options.worldScores.empty() ? LoadSettings().worldScores : options.worldScores;
        if (url.empty()) {
            std::fprintf(stderr, "puckslide3d: --send-record needs a world list: the setting world_scores or --world-scores\n");
            return 2;
        }
        return SendRecordFile(url, options.sendRecord);
    }
    InitDataPaths();
    return WinMain(options);
}
