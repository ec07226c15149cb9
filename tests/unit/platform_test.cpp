// The platform layer: outline-font text, sound, the frame timer and pacing.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "assets_test_support.h"
#include "gl_test_context.h"
#include "platform/pacing.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/timer.h"
#include "platform/turn_log.h"

// glPrint drawn in a real GL context and measured in pixels: the width rule (a second print is
// centred half the first one's width further right), code 255 as an empty glyph, a null format
// that keeps the matrix, and a rebuild in a new context that draws the same.
namespace {

constexpr int kSize = 256;
constexpr float kScale = 40.0f;  // pixels per em in the orthographic test view

// Text at the centre of an orthographic view with one pixel per unit, in a fresh context's white, unlit.
void setUpView() {
    glMatrixMode(GL_PROJECTION), glLoadIdentity(), glOrtho(0, kSize, 0, kSize, -1000, 1000);
    glMatrixMode(GL_MODELVIEW), glLoadIdentity(), glClear(GL_COLOR_BUFFER_BIT);
    glTranslatef(kSize / 2, kSize / 2, 0), glScalef(kScale, kScale, kScale);
}

// The pixels of `text` printed at the centre, the columns the drawn ones span, and the matrix after.
struct Ink { std::vector<unsigned char> px; int minX = kSize, maxX = -1; std::vector<float> matrix; };

Ink drawn(const char* text) {
    setUpView();
    glPrint(text ? "%s" : nullptr, text);
    Ink k{std::vector<unsigned char>(kSize * kSize * 3), kSize, -1, std::vector<float>(16)};
    glGetFloatv(GL_MODELVIEW_MATRIX, k.matrix.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, k.px.data());
    for (int i = 0; i < kSize * kSize; ++i)
        if (k.px[i * 3] + k.px[i * 3 + 1] + k.px[i * 3 + 2] > 0)
            k.minX = std::min(k.minX, i % kSize), k.maxX = std::max(k.maxX, i % kSize);
    return k;
}

}  // namespace

TEST(GlPrint, CentresEachPrintAndMovesTheNextHalfTheWidthFurtherAndCode255DrawsNothing) {
    GlTestContext ctx{kSize, kSize};
    REQUIRE_GL(ctx);
    ASSERT_TRUE(BuildFont());
    const float advance = gmf['H'].gmfCellIncX * kScale;
    CurrentTurnLog().clear(), CurrentTurnLog().recordTexts = true;
    setUpView(), glPrint("HH"), glPrint("%c", 'I');
    CurrentTurnLog().recordTexts = false;
    const auto& texts = CurrentTurnLog().texts;
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NEAR(texts[0].x, 128, 1e-3f);
    EXPECT_NEAR(texts[1].x - texts[0].x, advance, 1e-3f);
    // "HHH" is centred on its position and is three advances wide.
    const Ink k = drawn("HHH");
    EXPECT_NEAR((k.minX + k.maxX + 1) * 0.5f, 128, 1.5f);
    EXPECT_NEAR(k.maxX - k.minX, 3 * advance, 0.3f * advance);
    for (const char* text : {static_cast<const char*>(nullptr), "", "\xff\xff\xff"}) {
        const Ink nothing = drawn(text);  // draws nothing and leaves the position where it was
        EXPECT_TRUE(nothing.maxX == -1 && nothing.matrix[12] == kSize / 2) << (text ? text : "null");
    }
    EXPECT_EQ(drawn("H\xffH").px, drawn("HH").px);
    CurrentTurnLog().clear();
}

TEST(GlPrint, ARebuildInANewContextDrawsTheSame) {
    std::vector<unsigned char> first;
    for (int round = 0; round < 2; ++round) {
        GlTestContext ctx(kSize, kSize);
        REQUIRE_GL(ctx);
        const GLuint other = round ? glGenLists(7) : 0;  // in the new context something else takes list names first
        ASSERT_TRUE(BuildFont());
        EXPECT_GE(base, other + (round ? 7 : 1));
        const Ink k = drawn("Ab3 \xe9!");
        EXPECT_GT(k.maxX - k.minX, 100);
        EXPECT_EQ(k.px, round ? first : (first = k.px));
    }
}

// Effects and music through the real SDL_mixer; the dummy driver plays in real time.
// One effect at a time, each played once; each track on a channel of its own beside it, started
// once and stopped by its path. Broken, missing or no files and stray commands change nothing,
// with a device or without one.
TEST(Sound, OneEffectAtATimePlayedOnceAndTracksBesideItUntilStopped) {
    TempDir tmp;
    const std::string dir = tmp.file("");
    for (const auto& [name, seconds] : {std::pair{"short", 0.3}, std::pair{"a", 3.0}, std::pair{"b", 3.0}})
        ASSERT_EQ(std::system(("sox -q -n -r 44100 -c 1 -b 16 " + dir + name + ".wav synth " + std::to_string(seconds) +
                               " sine 440 vol 0.5").c_str()), 0);
    std::ofstream(dir + "broken.wav") << "RIFF but not really a wave file";
    for (const char* driver : {"dummy", "no-such-driver"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        const bool device = SoundInit();
        EXPECT_EQ(device, std::string(driver) == "dummy");
        const auto playing = [&](int n) { EXPECT_EQ(device ? Mix_Playing(-1) : 0, device ? n : 0) << driver; };
        const auto music = [&](const char* verb, const char* name) { MusicCommand((verb + (" " + dir) + name).c_str()); };
        const auto play = [&](const char* name) { PlaySoundFile(name ? (dir + name).c_str() : nullptr); };
        play("a.wav"), play("short.wav"), playing(1);
        music("play", "a.wav"), music("play", "b.wav"), music("play", "a.wav"), playing(3);  // a.wav again: no new start
        music("stop", "a.wav"), playing(2);
        // The dummy device plays in real time when its thread runs, so a busy machine ends the short effect late;
        // the long track beside it has then played no longer than the effect.
        for (int waited = 0; device && Mix_Playing(-1) > 1 && waited < 10000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        playing(1);
        for (const char* name : {"broken.wav", "missing.wav", static_cast<const char*>(nullptr)}) play(name);
        for (const char* c : {"stop x.mp3", "play x.mp3", "", "play", "close all", static_cast<const char*>(nullptr)}) MusicCommand(c);
        playing(1);
        SoundShutdown(), SoundShutdown();  // a second shutdown is harmless
    }
    CurrentTurnLog().clear();  // what the trace shows of them is the end-to-end runs'
    unsetenv("SDL_AUDIODRIVER");
}

// The pacing trusts this clock: it starts near zero and counts milliseconds of the monotonic clock;
// both waits last at least their interval on it.
TEST(FrameTimer, StartsNearZeroCountsMillisecondsOfTheMonotonicClockAndPaces) {
    TimerInit();
    EXPECT_LT(TimerGetTime(), 50.0f);
    const double before = MachineClockMs();
    const float t0 = TimerGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const float t1 = TimerGetTime();
    EXPECT_GE(t1 - t0, 30.0f);
    EXPECT_LE(t1 - t0, MachineClockMs() - before + 0.01);
    for (float interval : {0.0f, 0.3f, 2.0f, 10.0f})
        for (void (*wait)(float) : {PacingWait, PacingWaitBusy}) {
            const float start = TimerGetTime();
            EXPECT_GE((wait(interval), TimerGetTime() - start), interval);
        }
}
