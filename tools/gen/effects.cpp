// The three effects of play: a hard clack of mallet on puck, a lighter knock of puck on rail,
// and a short goal horn. Struck sounds are a click of noise and a few decaying resonances.
#include <algorithm>
#include <cmath>

#include "audio.h"

namespace gen {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Mode {
    double frequency, decaySeconds, amplitude;
};

Sound strike(double seconds, const std::vector<Mode>& modes, double clickAmount, double clickDecay, uint32_t seed) {
    Sound s;
    const size_t n = static_cast<size_t>(seconds * s.rate);
    s.samples.assign(n, 0.0);
    Noise noise(seed);
    double hp = 0, previous = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / s.rate;
        double v = 0;
        for (const Mode& m : modes) v += m.amplitude * std::exp(-t / m.decaySeconds) * std::sin(kTwoPi * m.frequency * t);
        // The click: high-passed noise that dies within a few milliseconds.
        double raw = noise.next();
        hp = 0.7 * (hp + raw - previous);
        previous = raw;
        v += clickAmount * std::exp(-t / clickDecay) * hp;
        s.samples[i] = v;
    }
    return s;
}

}  // namespace

Sound makeShot() {
    Sound s = strike(0.16,
                     {{1480, 0.030, 1.0}, {2390, 0.020, 0.7}, {3520, 0.012, 0.45}, {5150, 0.008, 0.3}, {190, 0.022, 0.6}},
                     1.6, 0.0012, 7);
    fadeEdges(s, 0.0003, 0.02);
    normalize(s, 0.89);
    return s;
}

Sound makeSideshot() {
    Sound s = strike(0.13, {{560, 0.028, 1.0}, {930, 0.018, 0.6}, {1610, 0.010, 0.3}, {140, 0.03, 0.5}}, 0.6, 0.0018, 11);
    fadeEdges(s, 0.0005, 0.02);
    normalize(s, 0.55);
    return s;
}

// Two blasts of a bright horn chord: a short pickup and a held call.
Sound makeGoal() {
    Sound s;
    const double total = 1.1;
    s.samples.assign(static_cast<size_t>(total * s.rate), 0.0);
    struct Blast {
        double start, length;
        std::vector<double> notes;
    };
    const std::vector<Blast> blasts = {
        {0.0, 0.16, {noteFrequency("G4"), noteFrequency("B4"), noteFrequency("D5")}},
        {0.2, 0.88, {noteFrequency("C5"), noteFrequency("E5"), noteFrequency("G5"), noteFrequency("C4")}},
    };
    for (const Blast& b : blasts) {
        const size_t first = static_cast<size_t>(b.start * s.rate);
        const size_t count = static_cast<size_t>(b.length * s.rate);
        for (size_t i = 0; i < count && first + i < s.samples.size(); ++i) {
            const double t = double(i) / s.rate;
            const double attack = std::min(1.0, t / 0.02);
            const double release = std::min(1.0, (b.length - t) / 0.12);
            const double env = attack * std::max(0.0, release) * (1.0 - 0.15 * t / b.length);
            const double vibrato = 1.0 + 0.004 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, t / 0.25);
            double v = 0;
            for (double f : b.notes) {
                // A brassy band-limited spectrum: harmonics falling off as 1/k, up to 9 kHz.
                for (int k = 1; k * f < 9000.0; ++k) v += std::sin(kTwoPi * f * k * vibrato * t) / (k * 1.2);
            }
            s.samples[first + i] += env * v;
        }
    }
    fadeEdges(s, 0.002, 0.03);
    normalize(s, 0.85);
    return s;
}

// A bell (two-operator FM) arpeggio, a different chord for each menu item.
Sound makeChime(int item) {
    Sound s;
    s.samples.assign(static_cast<size_t>(1.3 * s.rate), 0.0);
    static const char* chords[5][3] = {
        {"C6", "E6", "G6"}, {"D6", "F#6", "A6"}, {"E6", "G6", "B6"}, {"F6", "A6", "C7"}, {"G6", "D6", "G5"},
    };
    const int index = (item >= 1 && item <= 5) ? item - 1 : 0;
    for (int k = 0; k < 3; ++k) {
        const double f = noteFrequency(chords[index][k]);
        const size_t first = static_cast<size_t>(k * 0.09 * s.rate);
        for (size_t i = 0; first + i < s.samples.size(); ++i) {
            const double t = double(i) / s.rate;
            const double env = std::exp(-t / 0.35) * std::min(1.0, t / 0.002);
            const double modIndex = 1.5 * std::exp(-t / 0.12);
            s.samples[first + i] += 0.35 * env * std::sin(kTwoPi * f * t + modIndex * std::sin(kTwoPi * f * 3.5 * t));
        }
    }
    // The last notes still ring when the buffer ends.
    fadeEdges(s, 0.0, 0.25);
    return s;
}

}  // namespace gen
