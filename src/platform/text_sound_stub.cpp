// Placeholder until the text and sound code lands.
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/turn_log.h"
unsigned int base = 0;
GlyphMetricsFloat gmf[256];
bool BuildFont() { return true; }
void KillFont() {}
void glPrint(const char*, ...) {}
bool SoundInit() { return false; }
void SoundShutdown() {}
void PlaySoundFile(const char* file) { turnLog().sounds.push_back(file); }
void MusicCommand(const char* command) { turnLog().music.push_back(command); }
