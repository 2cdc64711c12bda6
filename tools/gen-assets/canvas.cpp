// Drawing helpers of the asset generator: canvas, noise, distance shapes and the stroke font.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <map>

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }
Rgb rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

Canvas::Canvas(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), Rgb{0, 0, 0}) {}

void Canvas::blend(int x, int y, Rgb colour, float alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
    Rgb& p = at(x, y);
    p = mix(p, colour, std::min(alpha, 1.0f));
}

void paint(Canvas& c, const std::function<Rgb(int x, int y)>& colour) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) c.at(x, y) = colour(x, y);
}

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

Picture toPicture(const Canvas& c) {
    Picture p;
    p.width = c.width;
    p.height = c.height;
    p.rgb.reserve(c.pixels.size() * 3);
    for (const Rgb& px : c.pixels)
        for (float v : {px.r, px.g, px.b}) p.rgb.push_back(uint8_t(std::lround(clamp01(v) * 255)));
    return p;
}

float smoothstep(float edge0, float edge1, float v) {
    float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

float hash2(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h & 0xFFFFFF) / float(0x1000000);
}

float valueNoise(float x, float y, uint32_t seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    const float fx = smoothstep(0, 1, x - float(xi)), fy = smoothstep(0, 1, y - float(yi));
    const float a = hash2(xi, yi, seed), b = hash2(xi + 1, yi, seed);
    const float c = hash2(xi, yi + 1, seed), d = hash2(xi + 1, yi + 1, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

float fractalNoise(float x, float y, uint32_t seed, int octaves) {
    float sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + uint32_t(i)) * weight;
        total += weight;
        weight *= 0.5f;
        x *= 2;
        y *= 2;
    }
    return sum / total;
}

float roundedBoxDistance(float x, float y, float cx, float cy, float hx, float hy, float radius) {
    const float qx = std::fabs(x - cx) - hx + radius, qy = std::fabs(y - cy) - hy + radius;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

namespace {

float segmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = clamp01(t);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

using Lines = std::vector<std::vector<float>>;

// An elliptic arc from angle a0 to a1 (degrees, counter-clockwise when a1 > a0) as a polyline.
std::vector<float> arc(float cx, float cy, float rx, float ry, float a0, float a1) {
    std::vector<float> line;
    const int steps = std::max(4, int(std::fabs(a1 - a0) / 8));
    for (int i = 0; i <= steps; ++i) {
        const float a = (a0 + (a1 - a0) * float(i) / float(steps)) * 3.14159265f / 180;
        line.push_back(cx + rx * std::cos(a));
        line.push_back(cy + ry * std::sin(a));
    }
    return line;
}

// A quadratic curve from p0 through control p1 to p2 as a polyline.
std::vector<float> curve(float x0, float y0, float x1, float y1, float x2, float y2) {
    std::vector<float> line;
    for (int i = 0; i <= 16; ++i) {
        const float t = float(i) / 16, u = 1 - t;
        line.push_back(u * u * x0 + 2 * u * t * x1 + t * t * x2);
        line.push_back(u * u * y0 + 2 * u * t * y1 + t * t * y2);
    }
    return line;
}

std::vector<float> join(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Glyph {
    float width;
    Lines lines;
};

// Capitals and digits drawn as centre lines in a box of height 1 (y up, baseline 0).
const std::map<char, Glyph>& glyphs() {
    static const std::map<char, Glyph> table = {
        {'0', {0.6f, {arc(0.3f, 0.5f, 0.3f, 0.5f, 0, 360)}}},
        {'1', {0.45f, {{0.05f, 0.78f, 0.27f, 1.0f, 0.27f, 0.0f}, {0.02f, 0.0f, 0.5f, 0.0f}}}},
        {'2', {0.6f, {join(arc(0.3f, 0.71f, 0.29f, 0.29f, 155, -35), {0.0f, 0.0f, 0.62f, 0.0f})}}},
        {'3', {0.6f, {join(arc(0.29f, 0.76f, 0.26f, 0.24f, 150, -90), arc(0.29f, 0.27f, 0.3f, 0.27f, 90, -155))}}},
        {'4', {0.62f, {{0.46f, 0.0f, 0.46f, 1.0f, 0.0f, 0.3f, 0.64f, 0.3f}}}},
        {'5', {0.6f, {join({0.56f, 1.0f, 0.1f, 1.0f, 0.05f, 0.55f}, arc(0.29f, 0.31f, 0.31f, 0.31f, 130, -150))}}},
        {'6', {0.6f, {arc(0.3f, 0.3f, 0.29f, 0.3f, 0, 360), curve(0.01f, 0.32f, 0.0f, 0.98f, 0.5f, 0.98f)}}},
        {'7', {0.6f, {{0.0f, 1.0f, 0.6f, 1.0f, 0.18f, 0.0f}}}},
        {'8', {0.6f, {arc(0.3f, 0.76f, 0.23f, 0.24f, 0, 360), arc(0.3f, 0.27f, 0.29f, 0.27f, 0, 360)}}},
        {'9', {0.6f, {arc(0.3f, 0.7f, 0.29f, 0.3f, 0, 360), curve(0.59f, 0.68f, 0.6f, 0.02f, 0.1f, 0.02f)}}},
        {'A', {0.72f, {{0.0f, 0.0f, 0.36f, 1.0f, 0.72f, 0.0f}, {0.13f, 0.36f, 0.59f, 0.36f}}}},
        {'B', {0.6f, {join({0.3f, 0.5f, 0.0f, 0.5f, 0.0f, 1.0f, 0.28f, 1.0f}, arc(0.28f, 0.75f, 0.24f, 0.25f, 90, -90)),
                      join({0.0f, 0.5f, 0.0f, 0.0f, 0.3f, 0.0f}, arc(0.3f, 0.25f, 0.3f, 0.25f, -90, 90))}}},
        {'C', {0.62f, {arc(0.34f, 0.5f, 0.34f, 0.5f, 48, 312)}}},
        {'D', {0.62f, {join({0.12f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.12f, 1.0f}, arc(0.12f, 0.5f, 0.5f, 0.5f, 90, -90))}}},
        {'E', {0.52f, {{0.52f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.52f, 0.0f}, {0.0f, 0.5f, 0.42f, 0.5f}}}},
        {'G', {0.66f, {join(arc(0.34f, 0.5f, 0.34f, 0.5f, 48, 360), {0.66f, 0.5f, 0.66f, 0.46f, 0.38f, 0.46f})}}},
        {'I', {0.0f, {{0.0f, 0.0f, 0.0f, 1.0f}}}},
        {'L', {0.5f, {{0.0f, 1.0f, 0.0f, 0.0f, 0.5f, 0.0f}}}},
        {'M', {0.78f, {{0.0f, 0.0f, 0.0f, 1.0f, 0.39f, 0.32f, 0.78f, 1.0f, 0.78f, 0.0f}}}},
        {'N', {0.62f, {{0.0f, 0.0f, 0.0f, 1.0f, 0.62f, 0.0f, 0.62f, 1.0f}}}},
        {'O', {0.72f, {arc(0.36f, 0.5f, 0.36f, 0.5f, 0, 360)}}},
        {'P', {0.56f, {join({0.0f, 0.0f, 0.0f, 1.0f, 0.3f, 1.0f}, join(arc(0.3f, 0.75f, 0.25f, 0.25f, 90, -90), {0.0f, 0.5f}))}}},
        {'Q', {0.72f, {arc(0.36f, 0.5f, 0.36f, 0.5f, 0, 360), {0.44f, 0.26f, 0.74f, -0.06f}}}},
        {'R', {0.6f, {join({0.0f, 0.0f, 0.0f, 1.0f, 0.32f, 1.0f}, join(arc(0.32f, 0.75f, 0.25f, 0.25f, 90, -90), {0.0f, 0.5f})),
                      {0.3f, 0.5f, 0.6f, 0.0f}}}},
        {'S', {0.6f, {join(arc(0.3f, 0.75f, 0.28f, 0.25f, 25, 270), arc(0.3f, 0.25f, 0.3f, 0.25f, 90, -155))}}},
        {'T', {0.64f, {{0.0f, 1.0f, 0.64f, 1.0f}, {0.32f, 1.0f, 0.32f, 0.0f}}}},
        {'U', {0.6f, {join({0.0f, 1.0f}, join(arc(0.3f, 0.32f, 0.3f, 0.32f, 180, 360), {0.6f, 1.0f}))}}},
        {'W', {0.9f, {{0.0f, 1.0f, 0.22f, 0.0f, 0.45f, 0.72f, 0.68f, 0.0f, 0.9f, 1.0f}}}},
        {'Y', {0.64f, {{0.0f, 1.0f, 0.32f, 0.48f, 0.64f, 1.0f}, {0.32f, 0.48f, 0.32f, 0.0f}}}},
        {' ', {0.3f, {}}},
    };
    return table;
}

}  // namespace

float Strokes::distance(float x, float y) const {
    float best = 1e9f;
    for (const std::vector<float>& l : lines) {
        if (l.size() == 2) best = std::min(best, std::hypot(x - l[0], y - l[1]));
        for (size_t i = 2; i + 1 < l.size(); i += 2)
            best = std::min(best, segmentDistance(x, y, l[i - 2], l[i - 1], l[i], l[i + 1]));
    }
    return best;
}

Strokes placeStrokes(const Lines& unitLines, float size, float x, float y) {
    Strokes s;
    for (const std::vector<float>& l : unitLines) {
        std::vector<float> placed;
        for (size_t i = 0; i + 1 < l.size(); i += 2) {
            placed.push_back(x + l[i] * size);
            placed.push_back(y + l[i + 1] * size);
        }
        s.lines.push_back(placed);
    }
    return s;
}

Strokes textStrokes(const std::string& text, float capHeight, float centreX, float centreY) {
    const float gap = 0.3f;  // between letters, in cap heights
    float width = 0;
    for (size_t i = 0; i < text.size(); ++i) width += glyphs().at(text[i]).width + (i + 1 < text.size() ? gap : 0);
    float x = centreX - width * capHeight / 2;
    const float y = centreY - capHeight / 2;
    Strokes all;
    for (char ch : text) {
        const Glyph& g = glyphs().at(ch);
        Strokes s = placeStrokes(g.lines, capHeight, x, y);
        all.lines.insert(all.lines.end(), s.lines.begin(), s.lines.end());
        x += (g.width + gap) * capHeight;
    }
    return all;
}

std::vector<float> distanceField(const Strokes& s, int width, int height) {
    std::vector<float> field(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) field[size_t(y) * size_t(width) + size_t(x)] = s.distance(x + 0.5f, y + 0.5f);
    return field;
}
