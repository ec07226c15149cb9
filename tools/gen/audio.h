// Sample buffers, the WAV reader and writer, and the small synthesis kit of the sounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

constexpr int kSampleRate = 44100;

// Interleaved samples in [-1, 1].
struct Sound {
    int rate = kSampleRate;
    int channels = 1;
    std::vector<double> samples;

    size_t frames() const { return channels ? samples.size() / channels : 0; }
    double seconds() const { return rate ? double(frames()) / rate : 0.0; }
};

// 16-bit PCM; samples are rounded, and clamped only as a last resort.
std::vector<uint8_t> toWav(const Sound& s);
// Reads 16-bit PCM WAV files such as a speech synthesiser writes; false for anything else.
bool fromWav(const std::vector<uint8_t>& bytes, Sound& out);

double peak(const Sound& s);
void normalize(Sound& s, double targetPeak);
// Linear ramps from and to silence, so a file starts and ends without a click.
void fadeEdges(Sound& s, double inSeconds, double outSeconds);
// Simple band-limited resampling for speech at another rate.
Sound resampled(const Sound& s, int rate);

// A deterministic generator for noise.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ / 4294967295.0) * 2.0 - 1.0;
    }

private:
    uint32_t state_;
};

// Frequency of a note name like "A4", "C#5" or "Bb3"; 0 for a rest ("r").
double noteFrequency(const std::string& name);

// The game's sounds.
Sound makeShot();
Sound makeSideshot();
Sound makeGoal();
Sound makeMusic();
// The chime under a menu item's spoken name (item 1 to 5).
Sound makeChime(int item);

}  // namespace gen
