// Effects and music through the real SDL_mixer. SDL's disk driver writes what
// the device plays to a file in real time, and the tests measure that output.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "platform/turn_log.h"

namespace fs = std::filesystem;

namespace {

constexpr int kToneRate = 44100;
constexpr double kWindow = 0.01;     // seconds per analysis window
constexpr float kAudible = 0.02f;    // peak level that counts as sound
constexpr double kSlack = 0.05;      // start and end of a sound fall inside partial windows

using Clock = std::chrono::steady_clock;

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void put16(std::ofstream& out, unsigned v) { out.put(char(v & 0xFF)), out.put(char((v >> 8) & 0xFF)); }
void put32(std::ofstream& out, unsigned v) { put16(out, v & 0xFFFF), put16(out, v >> 16); }

// A mono 16-bit sine tone as a WAV file.
void writeTone(const fs::path& file, double seconds, double frequency, double amplitude) {
    const unsigned samples = static_cast<unsigned>(seconds * kToneRate);
    std::ofstream out(file, std::ios::binary);
    out.write("RIFF", 4), put32(out, 36 + samples * 2), out.write("WAVEfmt ", 8);
    put32(out, 16), put16(out, 1), put16(out, 1), put32(out, kToneRate), put32(out, kToneRate * 2);
    put16(out, 2), put16(out, 16), out.write("data", 4), put32(out, samples * 2);
    for (unsigned i = 0; i < samples; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * frequency * i / kToneRate);
        put16(out, static_cast<unsigned>(static_cast<int>(std::lround(v * 32767))) & 0xFFFF);
    }
}

struct Output {
    std::vector<float> peaks;  // loudest sample of each window, 0 to 1

    double audibleSeconds() const {
        return kWindow * static_cast<double>(std::count_if(peaks.begin(), peaks.end(), [](float p) { return p > kAudible; }));
    }
    float loudest() const { return peaks.empty() ? 0.0f : *std::max_element(peaks.begin(), peaks.end()); }
    // Peak of the last `seconds` of sound.
    float tailPeak(double seconds) const {
        size_t end = peaks.size();
        while (end > 0 && peaks[end - 1] <= kAudible) --end;
        const size_t n = static_cast<size_t>(seconds / kWindow);
        float p = 0;
        for (size_t i = end > n ? end - n : 0; i < end; ++i) p = std::max(p, peaks[i]);
        return p;
    }
};

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("puckslide-sound-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        for (const char* name : {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY"})
            if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
        turnLog().clear();
    }
    void TearDown() override {
        SoundShutdown();
        for (const char* name : {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY"}) unsetenv(name);
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        turnLog().clear();
    }

    std::string file(const char* name) const { return (dir_ / name).string(); }

    // The disk driver at its real-time pace, writing into the test folder.
    void startCapture() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file("device.raw").c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY");
        ASSERT_TRUE(SoundInit());
        Mix_QuerySpec(&frequency_, &format_, &channels_);
        ASSERT_EQ(format_, AUDIO_S16LSB);
    }

    Output finishCapture() {
        SoundShutdown();
        std::ifstream in(file("device.raw"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Output out;
        const size_t frameBytes = 2 * static_cast<size_t>(channels_);
        const size_t windowFrames = static_cast<size_t>(frequency_ * kWindow);
        const size_t frames = bytes.size() / frameBytes;
        for (size_t w = 0; w + windowFrames <= frames; w += windowFrames) {
            float peak = 0;
            for (size_t i = w * channels_; i < (w + windowFrames) * channels_; ++i) {
                const auto lo = static_cast<unsigned char>(bytes[2 * i]);
                const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
                const auto sample = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
                peak = std::max(peak, std::fabs(sample / 32768.0f));
            }
            out.peaks.push_back(peak);
        }
        return out;
    }

    fs::path dir_;
    std::vector<std::pair<std::string, std::string>> saved_;
    int frequency_ = 0, channels_ = 0;
    Uint16 format_ = 0;
};

}  // namespace

TEST_F(Sound, AnEffectPlaysOnceForItsLength) {
    writeTone(file("hit.wav"), 0.4, 440, 0.5);
    startCapture();
    PlaySoundFile(file("hit.wav").c_str());
    sleepSeconds(0.9);
    const Output out = finishCapture();
    EXPECT_NEAR(out.audibleSeconds(), 0.4, kSlack);
    EXPECT_NEAR(out.loudest(), 0.5f, 0.05f);
    EXPECT_EQ(turnLog().sounds, std::vector<std::string>{file("hit.wav")});
}

TEST_F(Sound, ANewEffectCutsOffThePlayingOne) {
    writeTone(file("long.wav"), 3.0, 440, 0.5);
    writeTone(file("short.wav"), 0.2, 660, 0.3);
    startCapture();
    PlaySoundFile(file("long.wav").c_str());
    const auto start = Clock::now();
    sleepSeconds(0.3);
    PlaySoundFile(file("short.wav").c_str());
    const double between = secondsSince(start);
    sleepSeconds(0.6);
    const Output out = finishCapture();
    // The device never plays ahead of the clock, so the long effect sounded for `between` at most.
    EXPECT_GT(out.audibleSeconds(), 0.3);
    EXPECT_LT(out.audibleSeconds(), between + 0.2 + kSlack);
    EXPECT_LT(out.loudest(), 0.55f);  // never both at once
    EXPECT_NEAR(out.tailPeak(0.15), 0.3f, 0.05f);
}

TEST_F(Sound, MusicStartsAndStopsByItsPath) {
    writeTone(file("2.wav"), 3.0, 440, 0.4);
    startCapture();
    MusicCommand(("play " + file("2.wav")).c_str());
    const auto start = Clock::now();
    sleepSeconds(0.3);
    MusicCommand(("stop " + file("2.wav")).c_str());
    const double playing = secondsSince(start);
    sleepSeconds(0.4);
    const Output out = finishCapture();
    EXPECT_GT(out.audibleSeconds(), 0.15);
    EXPECT_LT(out.audibleSeconds(), playing + kSlack);
    EXPECT_EQ(turnLog().music.size(), 2u);
}

TEST_F(Sound, APlayWhileATrackPlaysLetsItRunOn) {
    writeTone(file("jingle.wav"), 0.6, 440, 0.4);
    startCapture();
    const std::string play = "play " + file("jingle.wav");
    MusicCommand(play.c_str());
    sleepSeconds(0.25);
    MusicCommand(play.c_str());
    sleepSeconds(0.8);
    EXPECT_NEAR(finishCapture().audibleSeconds(), 0.6, kSlack);
}

TEST_F(Sound, JinglesSoundOverTheMusicAndEffectsOverBoth) {
    writeTone(file("music.wav"), 1.0, 440, 0.3);
    writeTone(file("jingle.wav"), 0.3, 550, 0.3);
    writeTone(file("shot.wav"), 0.2, 660, 0.3);
    startCapture();
    MusicCommand(("play " + file("music.wav")).c_str());
    sleepSeconds(0.2);
    MusicCommand(("PLAY " + file("jingle.wav")).c_str());
    PlaySoundFile(file("shot.wav").c_str());
    sleepSeconds(1.5);
    const Output out = finishCapture();
    EXPECT_NEAR(out.audibleSeconds(), 1.0, kSlack);  // the music ran on under the others
    EXPECT_GT(out.loudest(), 0.45f);                 // at least two sounded together
}

TEST_F(Sound, Mp3MusicIsDecoded) {
    const std::string mp3 = file("tune.mp3");
    const std::string make = "sox -q -n -r 44100 -c 1 '" + mp3 + "' synth 0.5 sine 440 vol 0.5";
    ASSERT_EQ(std::system(make.c_str()), 0) << "sox with MP3 support is needed: " << make;
    startCapture();
    MusicCommand(("play " + mp3).c_str());
    sleepSeconds(0.9);
    const Output out = finishCapture();
    EXPECT_NEAR(out.audibleSeconds(), 0.5, 0.1);  // the encoder pads a little
    EXPECT_NEAR(out.loudest(), 0.5f, 0.1f);
}

TEST_F(Sound, DecodedFilesAreKeptForTheNextPlay) {
    writeTone(file("goal.wav"), 0.2, 440, 0.5);
    startCapture();
    PlaySoundFile(file("goal.wav").c_str());
    sleepSeconds(0.4);
    fs::remove(file("goal.wav"));
    PlaySoundFile(file("goal.wav").c_str());
    sleepSeconds(0.4);
    EXPECT_NEAR(finishCapture().audibleSeconds(), 0.4, 2 * kSlack);
}

TEST_F(Sound, MissingOrBrokenFilesAndStrayCommandsStaySilent) {
    std::ofstream(file("broken.wav")) << "RIFF but not really a wave file";
    std::ofstream(file("broken.mp3")) << std::string(4000, 'x');
    startCapture();
    PlaySoundFile(file("broken.wav").c_str());
    MusicCommand(("play " + file("broken.mp3")).c_str());
    PlaySoundFile(file("missing.wav").c_str());
    PlaySoundFile(file("missing.wav").c_str());
    PlaySoundFile(nullptr);
    for (const std::string& command : {"play " + file("missing.mp3"), "stop " + file("missing.mp3"),
                                       "stop " + file("never-played.mp3"), std::string(), std::string("play"),
                                       std::string("   "), std::string("close all"),
                                       "seek " + file("missing.mp3") + " to start"})
        MusicCommand(command.c_str());
    MusicCommand(nullptr);
    sleepSeconds(0.2);
    const Output out = finishCapture();
    EXPECT_FALSE(out.peaks.empty());
    EXPECT_EQ(out.loudest(), 0.0f);
    EXPECT_EQ(turnLog().sounds.size(), 3u);
    EXPECT_EQ(turnLog().music.size(), 9u);
}

TEST_F(Sound, RunsWithTheDummyDriverAndWithNoDriver) {
    writeTone(file("shot.wav"), 0.1, 440, 0.5);
    for (const char* driver : {"dummy", "no-such-driver"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        EXPECT_EQ(SoundInit(), std::string(driver) == "dummy") << driver;
        PlaySoundFile(file("shot.wav").c_str());
        MusicCommand(("play " + file("shot.wav")).c_str());
        MusicCommand(("stop " + file("shot.wav")).c_str());
        SoundShutdown();
        SoundShutdown();
    }
    EXPECT_EQ(turnLog().sounds.size(), 2u);
    EXPECT_EQ(turnLog().music.size(), 4u);
}
