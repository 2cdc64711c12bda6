// Drawing helpers of the asset generator: a float RGB canvas, noise, and a stroke font.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
    float r, g, b;
};

Rgb operator+(Rgb a, Rgb b);
Rgb operator*(Rgb a, float k);
// Linear blend: a at t = 0, b at t = 1.
Rgb mix(Rgb a, Rgb b, float t);
// A colour from 0..255 components.
Rgb rgb8(int r, int g, int b);

// A picture in the order textures are uploaded: row 0 is the bottom row.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Canvas(int w, int h);
    Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Blends colour over pixel (x, y) with coverage `alpha` (0..1); outside pixels are ignored.
    void blend(int x, int y, Rgb colour, float alpha);
};

// Sets every pixel of c to colour(x, y).
void paint(Canvas& c, const std::function<Rgb(int x, int y)>& colour);

// 8-bit red, green, blue rows, bottom row first, as the BMP writer takes them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Rounds and clamps the canvas to 8 bits per component.
Picture toPicture(const Canvas& c);

float clamp01(float v);
float smoothstep(float edge0, float edge1, float v);
// Deterministic hash of a lattice point to 0..1.
float hash2(int x, int y, uint32_t seed);
// Smooth value noise with unit lattice spacing, 0..1.
float valueNoise(float x, float y, uint32_t seed);
// Sum of `octaves` noise layers, each of double frequency and half weight, 0..1.
float fractalNoise(float x, float y, uint32_t seed, int octaves);
// Signed distance from (x, y) to a rectangle centred at (cx, cy) with half sizes hx, hy and
// corner radius `radius`; negative inside.
float roundedBoxDistance(float x, float y, float cx, float cy, float hx, float hy, float radius);

// A line drawing made of polylines in picture coordinates (pixels, y up).
struct Strokes {
    std::vector<std::vector<float>> lines;  // each: x0, y0, x1, y1, ...

    // Distance from (x, y) to the nearest stroke centre line.
    float distance(float x, float y) const;
};

// The strokes of `text` (capitals, digits, space) set with cap height `capHeight` pixels, centred
// on (centreX, centreY).
Strokes textStrokes(const std::string& text, float capHeight, float centreX, float centreY);
// Strokes given in a unit box (y up), scaled by `size` and placed with the box's origin at (x, y).
Strokes placeStrokes(const std::vector<std::vector<float>>& unitLines, float size, float x, float y);
// Per-pixel distance field of strokes over a width x height picture (pixel centres).
std::vector<float> distanceField(const Strokes& s, int width, int height);
