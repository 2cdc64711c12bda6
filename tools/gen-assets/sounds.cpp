// The game's four sounds, synthesised: a tick, a rising sweep, a low thud and a rising arpeggio.
#include "sounds.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "canvas.h"
#include "file_out.h"

namespace {

constexpr int sampleRate = 44100;
constexpr float twoPi = 6.2831853f;

using Samples = std::vector<float>;

Samples silence(float seconds) { return Samples(size_t(seconds * sampleRate), 0.0f); }
float timeOf(size_t i) { return float(i) / sampleRate; }

constexpr float pi = twoPi / 2;

// A rise from 0 to 1 over n samples, smooth at both ends (half a cosine): a straight ramp's corners
// still click.
float rise(size_t i, size_t n) { return i >= n ? 1.0f : 0.5f - 0.5f * std::cos(pi * float(i) / float(n)); }

// The envelope of a note of length samples: an attack and a release of a few milliseconds, so that
// it starts and stops from silence, not at full amplitude; 0 outside the note.
float noteEnvelope(size_t i, size_t length, float attackSeconds, float releaseSeconds) {
    if (i >= length) return 0.0f;
    return rise(i, size_t(attackSeconds * sampleRate)) * rise(length - 1 - i, size_t(releaseSeconds * sampleRate));
}

// The same envelope over a whole sound: its first and last samples are silence.
void fadeEnds(Samples& s, float inSeconds, float outSeconds) {
    for (size_t i = 0; i < s.size(); ++i) s[i] *= noteEnvelope(i, s.size(), inSeconds, outSeconds);
}

void normalise(Samples& s, float peak) {
    float top = 0;
    for (float v : s) top = std::max(top, std::fabs(v));
    if (top > 0)
        for (float& v : s) v *= peak / top;
}

Samples tick() {
    Samples s = silence(0.045f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = timeOf(i);
        const float click = (hash2(int(i), 0, 3) - 0.5f) * std::exp(-t / 0.0015f);
        s[i] = (std::sin(twoPi * 2200 * t) + 0.5f * std::sin(twoPi * 3300 * t)) * std::exp(-t / 0.008f) + click;
    }
    fadeEnds(s, 0.002f, 0.005f);
    normalise(s, 0.5f);
    return s;
}

Samples sweep() {
    Samples s = silence(0.3f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = timeOf(i);
        const float frequency = 220 * std::pow(6.0f, t / 0.3f);  // 220 Hz to 1320 Hz
        phase += twoPi * frequency / sampleRate;
        s[i] = std::sin(phase) + 0.3f * std::sin(2 * phase) + 0.12f * std::sin(3 * phase);
    }
    fadeEnds(s, 0.01f, 0.06f);
    normalise(s, 0.4f);
    return s;
}

Samples thud() {
    Samples s = silence(0.25f);
    float phase = 0, rumble = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = timeOf(i);
        const float frequency = 110 * std::pow(42.0f / 110.0f, t / 0.25f);
        phase += twoPi * frequency / sampleRate;
        // Low-passed noise gives the impact its body.
        rumble += 0.04f * ((hash2(int(i), 1, 5) - 0.5f) - rumble);
        s[i] = std::sin(phase) * std::exp(-t / 0.08f) + 6 * rumble * std::exp(-t / 0.02f);
    }
    fadeEnds(s, 0.002f, 0.03f);
    normalise(s, 0.8f);
    return s;
}

// Each note rings on under the next one for a moment, then its release ends it; the last one rings
// to the sound's end.
Samples arpeggio() {
    const float notes[4] = {523.25f, 659.25f, 783.99f, 1046.5f};  // C, E, G, C
    const float step = 0.12f, overlap = 0.03f;
    Samples s = silence(0.7f);
    for (int n = 0; n < 4; ++n) {
        const size_t start = size_t(n * step * sampleRate);
        const size_t length = n < 3 ? size_t((step + overlap) * sampleRate) : s.size() - start;
        for (size_t i = start; i < start + length; ++i) {
            const float t = timeOf(i - start), f = notes[n];
            const float bell = std::sin(twoPi * f * t) + 0.4f * std::sin(twoPi * 2 * f * t) + 0.15f * std::sin(twoPi * 3 * f * t);
            s[i] += bell * std::exp(-t / 0.14f) * noteEnvelope(i - start, length, 0.005f, overlap);
        }
    }
    fadeEnds(s, 0.002f, 0.08f);
    normalise(s, 0.6f);
    return s;
}

// Writes 16-bit mono PCM.
bool writeWav(const std::string& path, const Samples& s) {
    Bytes b;
    const uint32_t dataBytes = uint32_t(s.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    putLe32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe32(b, 16);
    putLe16(b, 1);  // PCM
    putLe16(b, 1);  // mono
    putLe32(b, sampleRate);
    putLe32(b, sampleRate * 2);
    putLe16(b, 2);
    putLe16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLe32(b, dataBytes);
    for (float v : s) putLe16(b, uint16_t(int16_t(std::lround(std::fmax(-1.0f, std::fmin(1.0f, v)) * 32767))));
    return writeFile(path, b);
}

}  // namespace

bool writeSounds(const std::string& dir) {
    return writeWav(dir + "/move.wav", tick()) && writeWav(dir + "/spdup.wav", sweep()) &&
           writeWav(dir + "/graw.wav", thud()) && writeWav(dir + "/up.wav", arpeggio());
}
