#include "audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gen {

namespace {

void put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xff);
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
unsigned get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

}  // namespace

std::vector<uint8_t> toWav(const Sound& s) {
    const uint32_t dataBytes = static_cast<uint32_t>(s.samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    for (char c : std::string("RIFF")) out.push_back(c);
    put32(out, 36 + dataBytes);
    for (char c : std::string("WAVEfmt ")) out.push_back(c);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, static_cast<unsigned>(s.channels));
    put32(out, static_cast<uint32_t>(s.rate));
    put32(out, static_cast<uint32_t>(s.rate * s.channels * 2));
    put16(out, static_cast<unsigned>(s.channels * 2));
    put16(out, 16);
    for (char c : std::string("data")) out.push_back(c);
    put32(out, dataBytes);
    for (double v : s.samples) {
        long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(out, static_cast<unsigned>(static_cast<uint16_t>(static_cast<int16_t>(q))));
    }
    return out;
}

bool fromWav(const std::vector<uint8_t>& b, Sound& out) {
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return false;
    size_t at = 12;
    int channels = 0, rate = 0, bits = 0;
    while (at + 8 <= b.size()) {
        uint32_t size = get32(b, at + 4);
        size_t body = at + 8;
        if (size > b.size() - body) size = static_cast<uint32_t>(b.size() - body);  // streamed files leave it open
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            if (get16(b, body) != 1) return false;
            channels = static_cast<int>(get16(b, body + 2));
            rate = static_cast<int>(get32(b, body + 4));
            bits = static_cast<int>(get16(b, body + 14));
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (bits != 16 || channels < 1 || channels > 2 || rate <= 0) return false;
            Sound s;
            s.rate = rate;
            s.channels = channels;
            for (size_t i = 0; i + 1 < size; i += 2)
                s.samples.push_back(static_cast<int16_t>(get16(b, body + i)) / 32768.0);
            out = std::move(s);
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

double peak(const Sound& s) {
    double p = 0;
    for (double v : s.samples) p = std::max(p, std::abs(v));
    return p;
}

void normalize(Sound& s, double targetPeak) {
    double p = peak(s);
    if (p <= 0) return;
    for (double& v : s.samples) v *= targetPeak / p;
}

void fadeEdges(Sound& s, double inSeconds, double outSeconds) {
    const size_t frames = s.frames();
    const size_t in = std::min(frames, static_cast<size_t>(inSeconds * s.rate));
    const size_t out = std::min(frames, static_cast<size_t>(outSeconds * s.rate));
    for (size_t f = 0; f < frames; ++f) {
        double g = 1.0;
        if (f < in) g = std::min(g, double(f) / in);
        if (f + out >= frames && out > 0) g = std::min(g, double(frames - 1 - f) / out);
        for (int c = 0; c < s.channels; ++c) s.samples[f * s.channels + c] *= g;
    }
}

Sound resampled(const Sound& s, int rate) {
    Sound out;
    out.rate = rate;
    out.channels = s.channels;
    if (s.frames() == 0) return out;
    const double step = double(s.rate) / rate;
    const size_t frames = static_cast<size_t>(s.frames() / step);
    // A windowed sinc of a few taps is plenty for speech.
    const int taps = 8;
    const double cutoff = std::min(1.0, double(rate) / s.rate);
    for (size_t f = 0; f < frames; ++f) {
        double pos = f * step;
        long centre = static_cast<long>(std::floor(pos));
        for (int c = 0; c < s.channels; ++c) {
            double sum = 0;
            for (long k = centre - taps + 1; k <= centre + taps; ++k) {
                if (k < 0 || k >= static_cast<long>(s.frames())) continue;
                double x = pos - k;
                double sinc = x == 0 ? 1.0 : std::sin(M_PI * x * cutoff) / (M_PI * x * cutoff);
                double window = 0.5 + 0.5 * std::cos(M_PI * x / taps);
                sum += s.samples[k * s.channels + c] * sinc * window * cutoff;
            }
            out.samples.push_back(sum);
        }
    }
    return out;
}

double noteFrequency(const std::string& name) {
    if (name.empty() || name[0] == 'r') return 0.0;
    static const int semis[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G from C
    int letter = std::toupper(static_cast<unsigned char>(name[0])) - 'A';
    if (letter < 0 || letter > 6) return 0.0;
    int semi = semis[letter];
    size_t i = 1;
    if (i < name.size() && name[i] == '#') { ++semi; ++i; }
    else if (i < name.size() && name[i] == 'b') { --semi; ++i; }
    int octave = i < name.size() ? std::stoi(name.substr(i)) : 4;
    int midi = (octave + 1) * 12 + semi;
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

}  // namespace gen
