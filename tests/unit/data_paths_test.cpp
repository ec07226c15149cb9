// Where an installed game looks for its data and keeps the player's files.
#include <gtest/gtest.h>

#include "platform/data_paths.h"

TEST(DataLocations, DataBesideTheExecutableAndThePlayersFolderByTheXdgRules) {
    struct Case {
        const char *xdg, *home, *user;
    };
    // A relative XDG_DATA_HOME is invalid and must not put files below the working folder.
    for (const Case& c : {Case{"/x/xdg", "/home/p", "/x/xdg/puckslide3d"},
                          Case{"xdg", "/home/p", "/home/p/.local/share/puckslide3d"},
                          Case{"", "/home/p", "/home/p/.local/share/puckslide3d"},
                          Case{nullptr, "/home/p", "/home/p/.local/share/puckslide3d"}}) {
        const DataLocations l = LocateData(false, "/opt/ps/bin/puckslide3d", c.xdg, c.home);
        EXPECT_TRUE(l.installed);
        EXPECT_EQ(l.dataDir, "/opt/ps/share/puckslide3d");
        EXPECT_EQ(l.userDir, c.user);
    }
    EXPECT_FALSE(LocateData(true, "/opt/ps/bin/puckslide3d", nullptr, "/home/p").installed);
}
