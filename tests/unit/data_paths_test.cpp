// Where an installed game looks for its data and keeps the player's files. An absolute or empty
// XDG_DATA_HOME and the source tree's own folder are proven by the installed game (e2e test_install).
#include <gtest/gtest.h>

#include "platform/data_paths.h"

TEST(DataLocations, DataBesideTheExecutableAndAnUnsetOrRelativeXdgFolderFallsBackToHome) {
    // A relative XDG_DATA_HOME is invalid and must not put files below the working folder.
    for (const char* xdg : {static_cast<const char*>("xdg"), static_cast<const char*>(nullptr)}) {
        const DataLocations l = LocateData(false, "/opt/ps/bin/puckslide3d", xdg, "/home/p");
        EXPECT_TRUE(l.installed);
        EXPECT_EQ(l.dataDir, "/opt/ps/share/puckslide3d");
        EXPECT_EQ(l.userDir, "/home/p/.local/share/puckslide3d") << (xdg ? xdg : "unset");
    }
}
