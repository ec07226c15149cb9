// Sound effects (WAV, one at a time) and music commands (MP3 tracks by path).
// A game without an audio device or without its sound files runs silently.
#pragma once

bool SoundInit();                        // false: no audio device, every call stays silent
void SoundShutdown();
void PlaySoundFile(const char* file);    // asynchronous; a new effect cuts off the one playing
// The loudness of the music and of the effects, each 0 (silent) to 100 (as recorded).
void SetVolumes(int musicPercent, int effectsPercent);
void MusicCommand(const char* command);  // "play data/sounds/2.mp3", "stop data/sounds/2.mp3", ...
void PlayMusic(const char* file);        // the command "play FILE"
void StopMusic(const char* file);        // the command "stop FILE"
