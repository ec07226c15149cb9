// Where the game's files really are. The game names every file as it lies in its working folder
// ("data/model/puk.ms3d", "data/sounds/2.mp3", "Data/system/config.cfg"); these functions map such
// a name to the file to open, and the names in messages and the trace stay as they are.
//
// A working folder that holds data/model/ (the source tree, ./play's folder, the tests' folders)
// is used as it is. Otherwise the game is installed: data/ is read from the data folder found from
// the executable's own location (<prefix>/share/puckslide3d), and Data/ lives in the player's folder
// $XDG_DATA_HOME/puckslide3d (~/.local/share/puckslide3d by default). The install tree is never written.
#pragma once

#include <string>

struct DataLocations {
    bool installed = false;
    std::string dataDir;  // holds data/ and the shipped Data/system/config.cfg
    std::string userDir;  // holds the player's Data/
};

// The rule itself, from the facts it depends on. `xdgDataHome` and `home` are the environment's
// values (null when unset); `executable` is the game's own path.
DataLocations LocateData(bool workdirHoldsModels, const std::string& executable, const char* xdgDataHome,
                         const char* home);

// The player's own folder, $XDG_DATA_HOME/puckslide3d (~/.local/share/puckslide3d by default),
// installed or not: ./play plays there, and the player's own pad mappings are read from there.
std::string PlayerFolder(const char* xdgDataHome, const char* home);
std::string PlayerFolder();

// Decides once at start-up, from the working folder, /proc/self/exe and the environment. Until
// then (and in the tests and tools, which never call it) every name maps to itself.
void InitDataPaths();

// The file to open for a name as the game gives it.
std::string DataPath(const std::string& gamePath);

// For a file the player keeps (the high-score file): when installed, creates the player's folder
// for it and, if the player has no such file yet, puts the shipped one there. The copy appears
// whole or not at all and never replaces a file that is there. False if the folder or the copy
// could not be made; the game then goes on as with a missing file.
bool PrepareUserFile(const std::string& gamePath);
