// Effects and music through the real SDL_mixer. SDL's disk driver writes what the device plays
// to a file in real time, and the tests measure that output.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "platform/turn_log.h"

namespace fs = std::filesystem;

namespace {

constexpr double kWindow = 0.01;   // seconds per analysis window
constexpr float kAudible = 0.02f;  // peak level that counts as sound
constexpr double kSlack = 0.05;    // start and end of a sound fall inside partial windows

using Clock = std::chrono::steady_clock;
void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A mono 16-bit 44.1 kHz sine tone as a WAV file, made by sox.
void writeTone(const fs::path& file, double seconds, double frequency, double amplitude) {
    const std::string make = "sox -q -n -r 44100 -c 1 -b 16 '" + file.string() + "' synth " + std::to_string(seconds) +
                             " sine " + std::to_string(frequency) + " vol " + std::to_string(amplitude);
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
}

// Loudest sample of each window of the device's output, 0 to 1.
using Peaks = std::vector<float>;
double audibleSeconds(const Peaks& p) { return kWindow * double(std::count_if(p.begin(), p.end(), [](float v) { return v > kAudible; })); }
float loudest(const Peaks& p) { return p.empty() ? 0.0f : *std::max_element(p.begin(), p.end()); }

class Sound : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_), CurrentTurnLog().clear(); }
    void TearDown() override {
        SoundShutdown();
        unsetenv("SDL_AUDIODRIVER");
        fs::remove_all(dir_);
        CurrentTurnLog().clear();
    }
    std::string file(const char* name) const { return (dir_ / name).string(); }

    // The disk driver at its real-time pace, writing into the test folder: starts it, runs `play`,
    // lets it sound for `seconds` more and measures what it played.
    Peaks capture(double seconds, const std::function<void()>& play) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file("device.raw").c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY");
        EXPECT_TRUE(SoundInit());
        int frequency = 0, channels = 0;
        Uint16 format = 0;
        Mix_QuerySpec(&frequency, &format, &channels);
        EXPECT_EQ(format, AUDIO_S16LSB);
        play();
        sleepSeconds(seconds);
        SoundShutdown();
        std::ifstream in(file("device.raw"), std::ios::binary);
        std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Peaks out;
        const size_t window = size_t(frequency * kWindow) * channels;
        for (size_t w = 0; window && w + window <= b.size() / 2; w += window) {
            out.push_back(0);
            for (size_t i = w; i < w + window; ++i)
                out.back() = std::max(out.back(), std::fabs(int16_t(uint8_t(b[2 * i]) | uint8_t(b[2 * i + 1]) << 8) / 32768.0f));
        }
        return out;
    }

    fs::path dir_ = fs::temp_directory_path() / ("puckslide-sound-" + std::to_string(getpid()));
};

}  // namespace

TEST_F(Sound, AnEffectPlaysOnceForItsLength) {
    writeTone(file("hit.wav"), 0.4, 440, 0.5);
    const Peaks out = capture(0.9, [&] { PlaySoundFile(file("hit.wav").c_str()); });
    EXPECT_NEAR(audibleSeconds(out), 0.4, kSlack);
    EXPECT_NEAR(loudest(out), 0.5f, 0.05f);
    EXPECT_EQ(CurrentTurnLog().sounds, std::vector<std::string>{file("hit.wav")});
}

TEST_F(Sound, ANewEffectCutsOffThePlayingOne) {
    writeTone(file("long.wav"), 3.0, 440, 0.5);
    writeTone(file("short.wav"), 0.2, 660, 0.3);
    double between = 0;
    const Peaks out = capture(0.6, [&] {
        PlaySoundFile(file("long.wav").c_str());
        const auto start = Clock::now();
        sleepSeconds(0.3);
        PlaySoundFile(file("short.wav").c_str());
        between = secondsSince(start);
    });
    // The device never plays ahead of the clock, so the long effect sounded for `between` at most.
    EXPECT_GT(audibleSeconds(out), 0.3);
    EXPECT_LT(audibleSeconds(out), between + 0.2 + kSlack);
    EXPECT_LT(loudest(out), 0.55f);  // never both at once
    auto end = out.end();  // the last 0.15 s of sound is the short effect
    while (end != out.begin() && end[-1] <= kAudible) --end;
    ASSERT_GT(end - out.begin(), 15);
    EXPECT_NEAR(*std::max_element(end - 15, end), 0.3f, 0.05f);
}

TEST_F(Sound, MusicStartsAndStopsByItsPath) {
    writeTone(file("2.wav"), 3.0, 440, 0.4);
    double playing = 0;
    const Peaks out = capture(0.4, [&] {
        MusicCommand(("play " + file("2.wav")).c_str());
        const auto start = Clock::now();
        sleepSeconds(0.3);
        MusicCommand(("stop " + file("2.wav")).c_str());
        playing = secondsSince(start);
    });
    EXPECT_GT(audibleSeconds(out), 0.15);
    EXPECT_LT(audibleSeconds(out), playing + kSlack);
    EXPECT_EQ(CurrentTurnLog().music.size(), 2u);
}

TEST_F(Sound, MissingOrBrokenFilesAndStrayCommandsStaySilent) {
    std::ofstream(file("broken.wav")) << "RIFF but not really a wave file";
    const Peaks out = capture(0.2, [&] {
        for (const std::string& name : {file("broken.wav"), file("missing.wav")}) PlaySoundFile(name.c_str());
        PlaySoundFile(nullptr);
        for (const std::string& command : {"play " + file("missing.mp3"), "stop " + file("never-played.mp3"),
                                           std::string(), std::string("play"), std::string("close all")})
            MusicCommand(command.c_str());
        MusicCommand(nullptr);
    });
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(loudest(out), 0.0f);
    EXPECT_EQ(CurrentTurnLog().sounds.size(), 2u);
    EXPECT_EQ(CurrentTurnLog().music.size(), 5u);
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
    EXPECT_EQ(CurrentTurnLog().sounds.size(), 2u);
    EXPECT_EQ(CurrentTurnLog().music.size(), 4u);
}
