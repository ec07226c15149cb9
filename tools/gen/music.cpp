// The match music: an original piece in A minor at 120 beats a minute, 48 bars (96 seconds),
// rendered from a small score with a drum kit, bass, pad, arpeggio and lead made of oscillators.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "audio.h"

namespace gen {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kEighth = 0.25;  // seconds at 120 beats a minute
constexpr int kBarEighths = 8;
constexpr double kBar = kEighth * kBarEighths;
constexpr int kBars = 48;

class Stereo {
public:
    explicit Stereo(double seconds) : left_(static_cast<size_t>(seconds * kSampleRate), 0.0), right_(left_) {}
    // pan from -1 (left) to 1 (right), equal power.
    void add(double at, size_t i, double v, double pan) {
        size_t index = static_cast<size_t>(at * kSampleRate) + i;
        if (index >= left_.size()) return;
        double angle = (pan + 1.0) * kTwoPi / 8.0;
        left_[index] += v * std::cos(angle);
        right_[index] += v * std::sin(angle);
    }
    std::vector<double>& left() { return left_; }
    std::vector<double>& right() { return right_; }
    size_t size() const { return left_.size(); }

private:
    std::vector<double> left_, right_;
};

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Oscillator {
    double phase = 0;
    double saw(double f) {
        double dt = f / kSampleRate;
        double v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        advance(dt);
        return v;
    }
    double pulse(double f, double width) {
        double dt = f / kSampleRate;
        double v = (phase < width ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(std::fmod(phase + 1.0 - width, 1.0), dt);
        advance(dt);
        return v;
    }
    double sine(double f) {
        double v = std::sin(kTwoPi * phase);
        advance(f / kSampleRate);
        return v;
    }
    void advance(double dt) {
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
    }
};

struct LowPass {
    double y1 = 0, y2 = 0;
    double run(double x, double cutoff) {
        double a = 1.0 - std::exp(-kTwoPi * std::min(cutoff, 18000.0) / kSampleRate);
        y1 += a * (x - y1);
        y2 += a * (y1 - y2);
        return y2;
    }
};

struct HighPass {
    double previousIn = 0, out = 0;
    double run(double x, double keep) {
        out = keep * (out + x - previousIn);
        previousIn = x;
        return out;
    }
};

// ---- instruments -----------------------------------------------------------------------------

void kick(Stereo& mix, double at, double level) {
    Oscillator o;
    for (size_t i = 0; i < static_cast<size_t>(0.35 * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double f = 46.0 + 120.0 * std::exp(-t / 0.035);
        double env = std::exp(-t / 0.22) * std::min(1.0, t / 0.001);
        mix.add(at, i, level * env * o.sine(f), 0.0);
    }
}

void snare(Stereo& mix, double at, double level, Noise& noise) {
    Oscillator o;
    HighPass hp;
    LowPass lp;
    for (size_t i = 0; i < static_cast<size_t>(0.25 * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double rattle = lp.run(hp.run(noise.next(), 0.9), 7000.0) * std::exp(-t / 0.09);
        double body = 0.6 * o.sine(188.0) * std::exp(-t / 0.05);
        mix.add(at, i, level * (rattle + body) * std::min(1.0, t / 0.0008), 0.1);
    }
}

void hat(Stereo& mix, double at, double level, bool open, Noise& noise) {
    HighPass a, b;
    const double decay = open ? 0.16 : 0.03;
    for (size_t i = 0; i < static_cast<size_t>((open ? 0.4 : 0.09) * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double v = b.run(a.run(noise.next(), 0.6), 0.6);
        mix.add(at, i, level * v * std::exp(-t / decay) * std::min(1.0, t / 0.0005), 0.3);
    }
}

void crash(Stereo& mix, double at, double level, Noise& noise) {
    HighPass a;
    LowPass lp;
    for (size_t i = 0; i < static_cast<size_t>(1.8 * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double v = lp.run(a.run(noise.next(), 0.75), 11000.0) * std::exp(-t / 0.55) * std::min(1.0, t / 0.001);
        mix.add(at, i, level * v, (i & 1) ? -0.4 : 0.4);
    }
}

void bass(Stereo& mix, double at, double f, double length, double level) {
    Oscillator saw, sub;
    LowPass lp;
    for (size_t i = 0; i < static_cast<size_t>((length + 0.03) * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double env = std::min(1.0, t / 0.004) * std::clamp((length + 0.03 - t) / 0.03, 0.0, 1.0);
        double v = lp.run(saw.saw(f), 280.0 + 1500.0 * std::exp(-t / 0.07)) + 0.5 * sub.sine(f / 2.0);
        mix.add(at, i, level * env * v, 0.0);
    }
}

void pad(Stereo& mix, double at, const std::vector<double>& notes, double length, double level) {
    const double release = 0.35;
    for (size_t n = 0; n < notes.size(); ++n) {
        for (int voice = 0; voice < 2; ++voice) {
            Oscillator o;
            o.phase = 0.31 * (n + 1) + 0.5 * voice;
            o.phase -= std::floor(o.phase);
            LowPass lp;
            const double f = notes[n] * (voice ? 1.004 : 0.996);
            for (size_t i = 0; i < static_cast<size_t>((length + release) * kSampleRate); ++i) {
                double t = double(i) / kSampleRate;
                double env = std::min(1.0, t / 0.25) * std::clamp((length + release - t) / release, 0.0, 1.0);
                mix.add(at, i, level * env * lp.run(o.saw(f), 1600.0), voice ? 0.6 : -0.6);
            }
        }
    }
}

void pluck(Stereo& mix, double at, double f, double level, double pan) {
    Oscillator o;
    LowPass lp;
    for (size_t i = 0; i < static_cast<size_t>(0.3 * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double env = std::exp(-t / 0.07) * std::min(1.0, t / 0.002) * std::clamp((0.3 - t) / 0.02, 0.0, 1.0);
        mix.add(at, i, level * env * lp.run(o.pulse(f, 0.5), 900.0 + 5000.0 * std::exp(-t / 0.04)), pan);
    }
}

void lead(Stereo& mix, Stereo& send, double at, double f, double length, double level, bool bright) {
    Oscillator a, b;
    LowPass lp;
    const double release = 0.08;
    for (size_t i = 0; i < static_cast<size_t>((length + release) * kSampleRate); ++i) {
        double t = double(i) / kSampleRate;
        double vib = 1.0 + 0.005 * std::sin(kTwoPi * 5.2 * t) * std::clamp((t - 0.15) / 0.2, 0.0, 1.0);
        double env = std::min(1.0, t / 0.012) * (0.8 + 0.2 * std::exp(-t / 0.1)) *
                     std::clamp((length + release - t) / release, 0.0, 1.0);
        double raw = 0.6 * a.pulse(f * vib, 0.3) + 0.4 * b.saw(f * vib * 1.003);
        double v = level * env * lp.run(raw, (bright ? 4200.0 : 2600.0) + 2000.0 * std::exp(-t / 0.08));
        mix.add(at, i, v, 0.0);
        send.add(at, i, v, 0.0);
    }
}

// ---- the score -------------------------------------------------------------------------------

struct Note {
    double frequency;  // 0 for a rest
    int eighths;
};

// "A4:2 C5:1 r:1 ..." with lengths in eighths.
std::vector<Note> parseLine(const std::string& line) {
    std::vector<Note> notes;
    std::istringstream in(line);
    std::string token;
    while (in >> token) {
        size_t colon = token.find(':');
        notes.push_back({noteFrequency(token.substr(0, colon)), std::stoi(token.substr(colon + 1))});
    }
    return notes;
}

const char* kMelodyA =
    "A4:2 C5:1 E5:1 A5:2 G5:1 E5:1  F5:3 E5:1 C5:2 A4:2  G4:2 C5:1 E5:1 G5:3 E5:1  D5:4 B4:2 G4:2 "
    "A4:2 C5:1 E5:1 A5:2 B5:1 C6:1  A5:3 G5:1 F5:2 E5:2  E5:2 G5:1 E5:1 C5:2 D5:2  B4:4 r:2 G4:1 B4:1";
const char* kMelodyB =
    "C5:2 F5:2 A5:3 G5:1  D5:2 G5:2 B5:3 A5:1  G5:2 E5:2 B4:2 E5:2  C5:4 A4:4 "
    "D5:2 F5:2 A5:2 F5:2  G5:2 D5:2 B4:2 D5:2  E5:2 G5:2 C6:3 B5:1  B5:4 G#5:2 E5:2";
const char* kMelodyEnd = "A4:2 C5:1 E5:1 A5:4  E5:2 C5:2 A4:4";

struct Chord {
    const char* root;  // in octave 2, for the bass
    bool minor;
};
const Chord kChordsA[] = {{"A2", true}, {"F2", false}, {"C3", false}, {"G2", false}};
const Chord kChordsB[] = {{"F2", false}, {"G2", false}, {"E2", true}, {"A2", true},
                          {"D3", true},  {"G2", false}, {"C3", false}, {"E2", false}};

enum class Part { Intro, A, B, Breakdown, Outro };

struct Bar {
    Part part;
    int index;  // bar within its part
};

Bar barAt(int bar) {
    if (bar < 4) return {Part::Intro, bar};
    if (bar < 12) return {Part::A, bar - 4};
    if (bar < 20) return {Part::B, bar - 12};
    if (bar < 28) return {Part::A, bar - 20};
    if (bar < 36) return {Part::Breakdown, bar - 28};
    if (bar < 44) return {Part::A, bar - 36};
    return {Part::Outro, bar - 44};
}

Chord chordOf(Bar b) {
    if (b.part == Part::B) return kChordsB[b.index % 8];
    if (b.part == Part::Outro && b.index >= 2) return kChordsA[0];
    return kChordsA[b.index % 4];
}

std::vector<double> chordTones(Chord c) {
    double root = noteFrequency(c.root);
    double third = root * std::pow(2.0, (c.minor ? 3 : 4) / 12.0);
    double fifth = root * std::pow(2.0, 7 / 12.0);
    return {root, third, fifth};
}

void playMelody(Stereo& mix, Stereo& send, double start, const char* line, double level, bool bright) {
    double at = start;
    for (const Note& n : parseLine(line)) {
        double length = n.eighths * kEighth;
        if (n.frequency > 0) lead(mix, send, at, n.frequency, length * 0.92, level, bright);
        at += length;
    }
}

}  // namespace

Sound makeMusic() {
    const double total = kBars * kBar + 1.0;  // a second for the last chord to ring out
    Stereo mix(total), send(total);
    Noise noise(2024);

    for (int bar = 0; bar < kBars; ++bar) {
        const double t0 = bar * kBar;
        const Bar b = barAt(bar);
        const Chord chord = chordOf(b);
        const std::vector<double> tones = chordTones(chord);
        const bool full = b.part == Part::A || b.part == Part::B || (b.part == Part::Outro && b.index < 2);

        // Pad: the chord two and four octaves up from the bass, held for the bar.
        std::vector<double> padNotes = {tones[0] * 2, tones[1] * 2, tones[2] * 2, tones[0] * 4};
        double padLength = (b.part == Part::Outro && b.index == 2) ? 2 * kBar : kBar;
        if (!(b.part == Part::Outro && b.index == 3)) pad(mix, t0, padNotes, padLength, 0.05);

        // Drums.
        if (full || (b.part == Part::Intro && b.index == 3)) {
            for (int beat = 0; beat < 4; ++beat) kick(mix, t0 + beat * 2 * kEighth, 0.85);
            if (full) {
                snare(mix, t0 + 2 * kEighth, 0.45, noise);
                snare(mix, t0 + 6 * kEighth, 0.45, noise);
            }
        }
        if (b.part == Part::Breakdown) {
            kick(mix, t0, 0.7);
            if (b.index < 4) {
                snare(mix, t0 + 4 * kEighth, 0.35, noise);
            } else {
                // A roll that thickens into the last section.
                int perBeat = b.index < 6 ? 2 : 4;
                for (int k = 0; k < 4 * perBeat; ++k)
                    snare(mix, t0 + k * 2 * kEighth / perBeat, 0.12 + 0.25 * (b.index - 4 + double(k) / (4 * perBeat)) / 4, noise);
            }
        }
        if (full || b.part == Part::Breakdown || (b.part == Part::Intro && b.index >= 2)) {
            for (int e = 0; e < kBarEighths; ++e) {
                bool open = e == 7 && bar % 2 == 1 && full;
                hat(mix, t0 + e * kEighth, (e % 2 ? 0.16 : 0.09) * (b.part == Part::Breakdown ? 0.7 : 1.0), open, noise);
            }
        }
        if ((b.part == Part::A || b.part == Part::B) && b.index == 0) crash(mix, t0, 0.16, noise);
        if (b.part == Part::Outro && b.index == 2) {
            crash(mix, t0, 0.2, noise);
            kick(mix, t0, 0.9);
        }

        // Bass: eighths on the root with an octave on the off-beats of the second half.
        if (full) {
            for (int e = 0; e < kBarEighths; ++e) {
                double f = tones[0] * ((e == 5 || e == 7) ? 2.0 : 1.0);
                bass(mix, t0 + e * kEighth, f, kEighth * 0.8, 0.3);
            }
        } else if (b.part == Part::Breakdown) {
            bass(mix, t0, tones[0], kBar * 0.95, 0.22);
        } else if (b.part == Part::Outro && b.index == 2) {
            bass(mix, t0, tones[0], kBar * 1.5, 0.3);
        }

        // Arpeggio in sixteenths over the chord, left and right.
        bool arp = b.part == Part::Intro || b.part == Part::B || b.part == Part::Breakdown ||
                   (b.part == Part::A && bar >= 20);
        if (arp) {
            for (int k = 0; k < 16; ++k) {
                double f = tones[k % 3] * 4 * (k % 8 >= 4 ? 2.0 : 1.0);
                double level = b.part == Part::Intro ? 0.03 + 0.02 * b.index : 0.06;
                pluck(mix, t0 + k * kEighth / 2, f, level, (k % 2) ? 0.5 : -0.5);
            }
        }
    }

    // The lead over the sections.
    playMelody(mix, send, 4 * kBar, kMelodyA, 0.16, false);
    playMelody(mix, send, 12 * kBar, kMelodyB, 0.16, false);
    playMelody(mix, send, 20 * kBar, kMelodyA, 0.15, true);
    playMelody(mix, send, 36 * kBar, kMelodyA, 0.16, true);
    playMelody(mix, send, 44 * kBar, kMelodyEnd, 0.16, false);

    // A ping-pong echo of the lead: left after three sixteenths, right after as many again.
    {
        const size_t delay = static_cast<size_t>(3 * kEighth / 2 * kSampleRate);
        std::vector<double> echoL(mix.size(), 0.0), echoR(mix.size(), 0.0);
        for (size_t i = delay; i < mix.size(); ++i) {
            double dry = (send.left()[i - delay] + send.right()[i - delay]) * 0.7071;
            echoL[i] = 0.3 * dry + 0.35 * echoR[i - delay];
            echoR[i] = 0.35 * echoL[i - delay];
        }
        for (size_t i = 0; i < mix.size(); ++i) {
            mix.left()[i] += echoL[i];
            mix.right()[i] += echoR[i];
        }
    }

    Sound s;
    s.channels = 2;
    s.samples.resize(mix.size() * 2);
    for (size_t i = 0; i < mix.size(); ++i) {
        // A gentle limiter keeps the drum peaks from deciding the level of everything else.
        s.samples[2 * i] = std::tanh(mix.left()[i] * 1.2);
        s.samples[2 * i + 1] = std::tanh(mix.right()[i] * 1.2);
    }
    normalize(s, 0.7);
    fadeEdges(s, 0.01, 3.0);
    return s;
}

}  // namespace gen
