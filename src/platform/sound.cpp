#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <string>

#include "platform/data_paths.h"
#include "platform/turn_log.h"

namespace {

constexpr int kFrequency = 44100;
constexpr int kStereo = 2;
constexpr int kChunkSamples = 1024;  // about 23 ms: a hit sounds with the frame that caused it
constexpr int kEffectChannel = 0;    // one effect at a time: each new one replaces the last
constexpr int kFirstTrackChannel = 1;
constexpr int kInitialChannels = 8;  // the effect and the game's six music files, plus one

struct Audio {
    bool open = false;
    int channels = 0;
    std::map<std::string, Mix_Chunk*> decoded;  // nullptr: failed once, not tried again
    std::map<std::string, int> trackChannel;    // each music file plays on a channel of its own
};

Audio& audio() {
    static Audio a;
    return a;
}

// Files are decoded into the device format on first use and kept for the run.
Mix_Chunk* decodedFile(const std::string& file) {
    Audio& a = audio();
    const auto found = a.decoded.find(file);
    if (found != a.decoded.end()) return found->second;
    Mix_Chunk* chunk = nullptr;
    if (SDL_RWops* in = SDL_RWFromFile(DataPath(file).c_str(), "rb")) chunk = Mix_LoadWAV_RW(in, 1);
    if (!chunk) std::fprintf(stderr, "puckslide3d: cannot play %s: %s\n", file.c_str(), Mix_GetError());
    a.decoded.emplace(file, chunk);
    return chunk;
}

int trackChannelFor(const std::string& file) {
    Audio& a = audio();
    const auto found = a.trackChannel.find(file);
    if (found != a.trackChannel.end()) return found->second;
    const int channel = kFirstTrackChannel + static_cast<int>(a.trackChannel.size());
    if (channel >= a.channels) a.channels = Mix_AllocateChannels(channel + kInitialChannels);
    if (channel >= a.channels) return -1;
    a.trackChannel.emplace(file, channel);
    return channel;
}

bool sameWord(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && b[i] == '\0';
}

void reportNoAudio(const char* what) {
    std::fprintf(stderr, "puckslide3d: no sound (%s: %s)\n", what, SDL_GetError());
}

}  // namespace

bool SoundInit() {
    Audio& a = audio();
    if (a.open) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reportNoAudio("audio");
        return false;
    }
    Mix_Init(MIX_INIT_MP3);  // what it returns only lists decoders; each file's load tells for itself
    if (Mix_OpenAudio(kFrequency, MIX_DEFAULT_FORMAT, kStereo, kChunkSamples) != 0) {
        reportNoAudio("audio device");
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    a.channels = Mix_AllocateChannels(kInitialChannels);
    a.open = true;
    return true;
}

void SoundShutdown() {
    Audio& a = audio();
    if (!a.open) return;
    Mix_HaltChannel(-1);
    for (auto& entry : a.decoded)
        if (entry.second) Mix_FreeChunk(entry.second);
    a.decoded.clear();
    a.trackChannel.clear();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    a.open = false;
    a.channels = 0;
}

namespace {
int musicVolume = MIX_MAX_VOLUME, effectsVolume = MIX_MAX_VOLUME;

int mixerVolume(int percent) { return std::clamp(percent, 0, 100) * MIX_MAX_VOLUME / 100; }
}  // namespace

void SetVolumes(int musicPercent, int effectsPercent) {
    musicVolume = mixerVolume(musicPercent);
    effectsVolume = mixerVolume(effectsPercent);
}

void PlaySoundFile(const char* file) {
    if (file == nullptr) return;
    CurrentTurnLog().sounds.push_back(file);
    if (!audio().open) return;
    if (Mix_Chunk* chunk = decodedFile(file)) {
        Mix_Volume(kEffectChannel, effectsVolume);
        Mix_PlayChannel(kEffectChannel, chunk, 0);
    }
}

// "play FILE" starts the file's track unless it is already playing (a play
// after a stop starts from the beginning); "stop FILE" halts it. Anything
// else is ignored.
void MusicCommand(const char* command) {
    if (command == nullptr) return;
    CurrentTurnLog().music.push_back(command);
    if (!audio().open) return;

    const std::string text = command;
    const size_t verbStart = text.find_first_not_of(' ');
    if (verbStart == std::string::npos) return;
    const size_t verbEnd = text.find(' ', verbStart);
    if (verbEnd == std::string::npos) return;
    const size_t fileStart = text.find_first_not_of(' ', verbEnd);
    const size_t fileEnd = text.find_last_not_of(' ');
    if (fileStart == std::string::npos) return;
    const std::string verb = text.substr(verbStart, verbEnd - verbStart);
    const std::string file = text.substr(fileStart, fileEnd + 1 - fileStart);

    if (sameWord(verb, "play")) {
        Mix_Chunk* chunk = decodedFile(file);
        if (!chunk) return;
        const int channel = trackChannelFor(file);
        if (channel < 0) return;
        if (!Mix_Playing(channel) || Mix_GetChunk(channel) != chunk) {
            Mix_Volume(channel, musicVolume);
            Mix_PlayChannel(channel, chunk, 0);
        }
    } else if (sameWord(verb, "stop")) {
        const auto found = audio().trackChannel.find(file);
        if (found != audio().trackChannel.end()) Mix_HaltChannel(found->second);
    }
}

void PlayMusic(const char* file) { MusicCommand((std::string("play ") + file).c_str()); }
void StopMusic(const char* file) { MusicCommand((std::string("stop ") + file).c_str()); }
