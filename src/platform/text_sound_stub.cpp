// Placeholder until the sound code lands.
#include "platform/sound.h"
#include "platform/turn_log.h"
bool SoundInit() { return false; }
void SoundShutdown() {}
void PlaySoundFile(const char* file) { turnLog().sounds.push_back(file); }
void MusicCommand(const char* command) { turnLog().music.push_back(command); }
