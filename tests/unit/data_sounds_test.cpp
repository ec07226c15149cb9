// The generated sounds: every file the game plays decodes with SDL_mixer, stays below full
// scale, starts and ends without a click, and has the length it should.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFullScale = 32767;

struct Pcm {
    int rate = 0, channels = 0;
    std::vector<int16_t> samples;
    double seconds() const { return channels && rate ? double(samples.size()) / channels / rate : 0.0; }
};

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// 16-bit PCM only, which is what the game's effects are.
bool readWav(const std::string& path, Pcm& out) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return false;
    int bits = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = le32(b, at + 4);
        if (size > b.size() - at - 8) return false;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            if (le16(b, at + 8) != 1) return false;
            out.channels = le16(b, at + 10);
            out.rate = static_cast<int>(le32(b, at + 12));
            bits = le16(b, at + 22);
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (bits != 16 || out.channels < 1) return false;
            for (size_t i = 0; i + 1 < size; i += 2) out.samples.push_back(static_cast<int16_t>(le16(b, at + 8 + i)));
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

int peakOf(const std::vector<int16_t>& s, size_t from = 0, size_t to = SIZE_MAX) {
    int p = 0;
    for (size_t i = from; i < std::min(to, s.size()); ++i) p = std::max(p, std::abs(int(s[i])));
    return p;
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
        Mix_Init(MIX_INIT_MP3);
        ASSERT_EQ(Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
        int freq = 0, channels = 0;
        Uint16 format = 0;
        ASSERT_EQ(Mix_QuerySpec(&freq, &format, &channels), 1);
        ASSERT_EQ(format, AUDIO_S16SYS);
        deviceRate_ = freq;
        deviceChannels_ = channels;
    }
    void TearDown() override {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_Quit();
    }

    // The whole file decoded in the device's format, as the game's effects are.
    bool decode(const std::string& path, Pcm& out) {
        Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
        if (!chunk) return false;
        out.rate = deviceRate_;
        out.channels = deviceChannels_;
        const auto* p = reinterpret_cast<const int16_t*>(chunk->abuf);
        out.samples.assign(p, p + chunk->alen / 2);
        Mix_FreeChunk(chunk);
        return true;
    }

    int deviceRate_ = 0, deviceChannels_ = 0;
};

std::map<std::string, int> recordedLengths() {
    std::map<std::string, int> lengths;
    std::ifstream in("data/sounds/lengths.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string name;
        int ms = 0;
        if (words >> name >> ms) lengths[name] = ms;
    }
    return lengths;
}

}  // namespace

TEST_F(Mixer, EffectsAreCleanShortAndBelowFullScale) {
    struct Expect {
        const char* file;
        double minSeconds, maxSeconds;
    };
    const Expect effects[] = {
        {"data/sounds/shot.wav", 0.05, 0.3},
        {"data/sounds/sideshot.wav", 0.05, 0.3},
        {"data/sounds/goal.wav", 0.8, 1.5},
    };
    std::map<std::string, int> peaks;
    for (const Expect& e : effects) {
        SCOPED_TRACE(e.file);
        Pcm pcm;
        ASSERT_TRUE(readWav(e.file, pcm));
        EXPECT_EQ(pcm.rate, kRate);
        EXPECT_GE(pcm.seconds(), e.minSeconds);
        EXPECT_LE(pcm.seconds(), e.maxSeconds);
        const int p = peakOf(pcm.samples);
        EXPECT_LT(p, kFullScale * 95 / 100);
        EXPECT_GT(p, kFullScale / 4);  // audible at all
        // No click: the first and last samples are (near) silence.
        EXPECT_LT(std::abs(int(pcm.samples.front())), kFullScale / 100);
        EXPECT_LT(std::abs(int(pcm.samples.back())), kFullScale / 100);
        peaks[e.file] = p;

        Mix_Chunk* chunk = Mix_LoadWAV(e.file);
        EXPECT_NE(chunk, nullptr) << Mix_GetError();
        if (chunk) Mix_FreeChunk(chunk);
    }
    // The rail knock is the lighter of the two strikes.
    EXPECT_LT(peaks["data/sounds/sideshot.wav"], peaks["data/sounds/shot.wav"]);
}

TEST_F(Mixer, TheShotIsOverWithinAFewHundredthsOfASecond) {
    Pcm pcm;
    ASSERT_TRUE(readWav("data/sounds/shot.wav", pcm));
    const size_t early = static_cast<size_t>(0.06 * pcm.rate * pcm.channels);
    double all = 0, head = 0;
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        double e = double(pcm.samples[i]) * pcm.samples[i];
        all += e;
        if (i < early) head += e;
    }
    EXPECT_GT(head / all, 0.9);
}

TEST_F(Mixer, MusicDecodesAtItsRecordedLengthWithoutClipping) {
    const std::map<std::string, int> lengths = recordedLengths();
    struct Expect {
        const char* name;
        double minSeconds, maxSeconds;
    };
    const Expect files[] = {
        {"2.mp3", 60, 120},          {"newgame.mp3", 0.8, 4},  {"highscore.mp3", 0.8, 4},
        {"options.mp3", 0.8, 4},     {"credits.mp3", 0.8, 4}, {"exit.mp3", 0.8, 4},
    };
    for (const Expect& f : files) {
        SCOPED_TRACE(f.name);
        const std::string path = std::string("data/sounds/") + f.name;
        Mix_Music* music = Mix_LoadMUS(path.c_str());
        EXPECT_NE(music, nullptr) << Mix_GetError();
        if (music) Mix_FreeMusic(music);

        Pcm pcm;
        ASSERT_TRUE(decode(path, pcm)) << Mix_GetError();
        ASSERT_EQ(lengths.count(f.name), 1u);
        const double recorded = lengths.at(f.name) / 1000.0;
        // The encoder adds a frame or so of delay and padding.
        EXPECT_NEAR(pcm.seconds(), recorded, 0.1);
        EXPECT_GE(recorded, f.minSeconds);
        EXPECT_LE(recorded, f.maxSeconds);
        EXPECT_LT(peakOf(pcm.samples), kFullScale);
        EXPECT_GT(peakOf(pcm.samples), kFullScale / 4);
    }
}
