// The generated sounds: every file the game plays decodes with SDL_mixer, stays below full
// scale, and has the length it should (the music the length recorded beside it).
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

TEST(DataSounds, DecodeBelowFullScaleAtTheirLengths) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    Mix_Init(MIX_INIT_MP3);
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1);
    ASSERT_EQ(format, AUDIO_S16SYS);
    std::map<std::string, int> recorded;  // milliseconds of each MP3's audio before encoding
    std::ifstream in("data/sounds/lengths.txt");
    for (std::string name, ms; in >> name;)
        if (name[0] == '#') std::getline(in, ms);
        else if (in >> ms) recorded[name] = std::stoi(ms);

    struct Row { const char* name; double minSeconds, maxSeconds; };
    const Row files[] = {{"shot.wav", 0.05, 0.3},  {"sideshot.wav", 0.05, 0.3},  {"goal.wav", 0.8, 1.5},
                         {"2.mp3", 60, 120},        {"newgame.mp3", 0.8, 4},      {"highscore.mp3", 0.8, 4},
                         {"options.mp3", 0.8, 4},   {"credits.mp3", 0.8, 4},      {"exit.mp3", 0.8, 4}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const std::string path = std::string("data/sounds/") + f.name, kind = path.substr(path.size() - 3);
        // The whole file decoded in the device's format, as the game plays effects and music alike.
        Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        const auto* p = reinterpret_cast<const int16_t*>(chunk->abuf);
        int peak = 0;
        for (Uint32 i = 0; i < chunk->alen / 2; ++i) peak = std::max(peak, std::abs(int(p[i])));
        double seconds = double(chunk->alen / 2) / channels / rate;
        Mix_FreeChunk(chunk);
        if (kind == "mp3") {
            ASSERT_EQ(recorded.count(f.name), 1u);
            EXPECT_NEAR(seconds, recorded.at(f.name) / 1000.0, 0.1);  // the encoder pads a frame or so
            seconds = recorded.at(f.name) / 1000.0;
        }
        EXPECT_GE(seconds, f.minSeconds);
        EXPECT_LE(seconds, f.maxSeconds);
        EXPECT_LT(peak, kind == "wav" ? 32767 * 95 / 100 : 32767);  // effects keep a little headroom
        EXPECT_GT(peak, 32767 / 4);  // audible at all
    }
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();
}
