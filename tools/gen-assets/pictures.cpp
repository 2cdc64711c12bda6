// The game's pictures, drawn procedurally and written in several BMP encodings on purpose, so
// that the game's own start-up runs most paths of its decoder.
#include "pictures.h"

#include <cmath>
#include <functional>

#include "bmp_writer.h"
#include "canvas.h"

namespace {

constexpr float pi = 3.14159265f;

float fract(float v) { return v - std::floor(v); }

// Coverage of a shape from its signed distance in pixels (negative inside), one pixel of edge.
float cover(float distance) { return clamp01(0.5f - distance); }

// Every picture was laid out in the pixels of the size an 800 x 600 screen shows it at ("design
// pixels") and is drawn at `scale` pixels to each, so that a screen of 2160 lines magnifies none by
// more than about 1.25. Shapes and soft features scale; antialiased edges stay one drawn pixel wide.

// The design position drawn pixel `pixel` samples: the pixel itself at scale 1.
float designAt(int pixel, int scale) { return (float(pixel) + 0.5f) / float(scale) - 0.5f; }

// Calls blendAt(x, y, u, v) for each drawn pixel (x, y) of the design pixels first..last (inclusive)
// in both directions, with u, v the design position of the pixel's centre.
void forEachPixelOver(int scale, int firstX, int lastX, int firstY, int lastY,
                      const std::function<void(int, int, float, float)>& blendAt) {
    for (int y = firstY * scale; y < (lastY + 1) * scale; ++y)
        for (int x = firstX * scale; x < (lastX + 1) * scale; ++x)
            blendAt(x, y, (float(x) + 0.5f) / float(scale), (float(y) + 0.5f) / float(scale));
}

// A square wave of `duty` (0..1) along v, one period per unit, softened by `soft` units.
float bands(float v, float duty, float soft) {
    const float d = std::fabs(fract(v) - 0.5f);
    return smoothstep(duty / 2 + soft, duty / 2 - soft, d);
}

Rgb hsv(float h, float s, float v) {
    h = fract(h) * 6;
    const int i = int(h);
    const float f = h - float(i);
    const float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
    }
}

// ---------------------------------------------------------------------------------------------
// Gems. The square picture lies on the gem's diamond turned by 45 degrees: texture (s, t) shows at
// diamond point X = s - t, Y = 1 - s - t (top corner at (0, 1), right corner at (1, 0)). Patterns
// are designed in diamond coordinates so that they read upright on screen.

// The diamond spans a cell, about 130 pixels wide at 2160 lines, along the picture's diagonal: at
// 128 texels a side one texel is 0.72 pixels there.
constexpr int gemSize = 128;

enum class Mark { none, rings, disc, rows, checks, dots, quarters, star, diagonals, triangle };

struct GemStyle {
    Rgb colour;
    Mark mark;
    bool lightMark;  // the mark lightens the gem; otherwise it darkens it
};

// Colours and patterns of gem colours 0..9. Gems of near colours (red, orange, pink, bronze; blue,
// purple, cyan; yellow, green) carry clearly different marks, and the marks that matter most are
// tied to the faces, which stay put when perspective shifts the tip off the diamond's centre.
const GemStyle gemStyles[10] = {
    {rgb8(225, 32, 42), Mark::none, true},        // red, plain facets
    {rgb8(40, 195, 62), Mark::rings, true},       // green, diamond rings
    {rgb8(44, 96, 240), Mark::disc, true},        // blue, round light centre
    {rgb8(248, 218, 40), Mark::rows, false},      // yellow, dark bars across
    {rgb8(158, 64, 218), Mark::checks, false},    // purple, chequered
    {rgb8(252, 132, 20), Mark::dots, false},      // orange, dark dots
    {rgb8(40, 214, 224), Mark::quarters, false},  // cyan, two opposite faces dark
    {rgb8(248, 104, 184), Mark::star, true},      // pink, four-pointed star
    {rgb8(214, 220, 232), Mark::diagonals, false},  // silver, dark X
    {rgb8(160, 100, 52), Mark::triangle, true},   // bronze, upward triangle
};

float markCoverage(Mark mark, float x, float y) {
    const float soft = 0.03f;
    switch (mark) {
    case Mark::none: return 0;
    case Mark::rings: return bands((std::fabs(x) + std::fabs(y)) * 3.2f, 0.42f, soft * 3.2f);
    case Mark::disc: return smoothstep(0.44f, 0.40f, std::hypot(x, y));
    case Mark::rows: return bands(y * 2.4f + 0.5f, 0.45f, soft * 2.4f);
    case Mark::quarters: return (x < 0) == (y < 0) ? 1.0f : 0.0f;
    case Mark::diagonals: {
        const float d = std::min(std::fabs(x - y), std::fabs(x + y)) / std::sqrt(2.0f);
        return smoothstep(0.12f, 0.09f, d);
    }
    case Mark::dots: {
        const float dx = x * 2 - std::round(x * 2), dy = y * 2 - std::round(y * 2);
        return smoothstep(0.30f, 0.24f, std::hypot(dx, dy));
    }
    case Mark::star: return smoothstep(0.80f, 0.74f, std::sqrt(std::fabs(x)) + std::sqrt(std::fabs(y)));
    case Mark::checks: return float((int(std::floor(x / 0.4f)) + int(std::floor(y / 0.4f))) & 1);
    case Mark::triangle: {
        const float inside = std::min(y + 0.34f, (0.5f - y - 1.75f * std::fabs(x)) / 2.0f);
        return smoothstep(-0.02f, 0.02f, inside);
    }
    }
    return 0;
}

// Brightness of the four faces: lit from the upper left, as the gem is on screen.
float faceLight(float x, float y) {
    if (y >= 0) return x < 0 ? 1.0f : 0.86f;
    return x < 0 ? 0.74f : 0.6f;
}

// Calls paint(x, y) for every texel with its diamond coordinates.
void forEachDiamondPoint(Canvas& c, const std::function<Rgb(float, float)>& paint) {
    for (int ty = 0; ty < c.height; ++ty)
        for (int tx = 0; tx < c.width; ++tx) {
            const float s = (tx + 0.5f) / float(c.width), t = (ty + 0.5f) / float(c.height);
            c.at(tx, ty) = paint(s - t, 1 - s - t);
        }
}

// Shared body of every gem: facet light, a darker rim, and a gleam on the upper left face.
float gemShade(float x, float y) {
    const float r = std::fabs(x) + std::fabs(y);
    return faceLight(x, y) * (0.62f + 0.5f * (1 - r)) * (1 - 0.45f * smoothstep(0.88f, 0.93f, r));
}
float gemGleam(float x, float y) { return 0.55f * std::exp(-((x + 0.34f) * (x + 0.34f) + (y - 0.3f) * (y - 0.3f)) / 0.008f); }

Canvas ordinaryGem(const GemStyle& style) {
    Canvas c(gemSize, gemSize);
    forEachDiamondPoint(c, [&](float x, float y) {
        float shade = gemShade(x, y), white = gemGleam(x, y);
        const float m = markCoverage(style.mark, x, y);
        if (style.lightMark) white += 0.42f * m;
        else shade *= 1 - 0.5f * m;
        return mix(style.colour * shade, Rgb{1, 1, 1}, clamp01(white));
    });
    return c;
}

// The magic gem: rainbow facets, a white sparkle in the middle and a gold rim.
Canvas magicGem() {
    Canvas c(gemSize, gemSize);
    forEachDiamondPoint(c, [](float x, float y) {
        const float r = std::fabs(x) + std::fabs(y);
        const float hue = std::atan2(y, x) / (2 * pi) + r * 0.35f;
        Rgb colour = hsv(hue, 0.7f, 1.0f) * (faceLight(x, y) * 0.35f + 0.7f);
        const float ray = std::exp(-std::fabs(x) * 30) + std::exp(-std::fabs(y) * 30) +
                          0.6f * std::exp(-std::fabs(std::fabs(x) - std::fabs(y)) * 30);
        const float sparkle = clamp01(ray * (1 - r * 1.6f) + std::exp(-(x * x + y * y) / 0.015f));
        colour = mix(colour, Rgb{1, 1, 0.92f}, sparkle);
        return mix(colour, rgb8(255, 196, 48), smoothstep(0.82f, 0.87f, r));
    });
    return c;
}

// ---------------------------------------------------------------------------------------------
// Backgrounds: 256 x 512 design pixels behind the 8 x 16 well, so one cell is 32 x 32 of them. Kept
// dark so the gems stand out, with a faint grid of the well's cells. At 2160 lines the well is
// about 1043 x 2086 pixels: drawn at 1024 x 2048.

constexpr int bgScale = 4;
constexpr int bgWidth = 256;  // design pixels
constexpr int bgHeight = 512;

void addCellGrid(Canvas& c) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int gx = x / bgScale % 32, gy = y / bgScale % 32;
            if (gx == 0 || gx == 31 || gy == 0 || gy == 31) c.at(x, y) = c.at(x, y) * 1.3f + Rgb{0.02f, 0.02f, 0.025f};
        }
}

Canvas backgroundCanvas() { return Canvas(bgWidth * bgScale, bgHeight * bgScale); }

// Sets every pixel of a background to colour(x, y) at its design position.
void paintDesign(Canvas& c, const std::function<Rgb(float x, float y)>& colour) {
    paint(c, [&](int x, int y) { return colour(designAt(x, bgScale), designAt(y, bgScale)); });
}

Canvas nightSky() {
    Canvas c = backgroundCanvas();
    paintDesign(c, [&](float x, float y) {
        const float fy = y / bgHeight;
        Rgb p = mix(rgb8(5, 7, 22), rgb8(20, 24, 62), fy);
        // An aurora curtain across the upper half.
        const float centre = 380 + 40 * std::sin(x * 0.025f) + 22 * std::sin(x * 0.061f + 1);
        const float curtain = std::exp(-std::pow((y - centre) / 34, 2.0f)) *
                              (0.35f + 0.65f * fractalNoise(x / 9.0f, y / 70.0f, 11, 3));
        p = p + rgb8(40, 190, 140) * (0.32f * curtain);
        // Faint stars, one in a few hundred design pixels, each a dot of that pixel's size.
        const int sx = int(std::floor(x + 0.5f)), sy = int(std::floor(y + 0.5f));
        if (hash2(sx, sy, 7) > 0.9965f)
            p = mix(p, rgb8(200, 210, 255),
                    (0.25f + 0.5f * hash2(sx, sy, 8)) * cover((std::hypot(x - float(sx), y - float(sy)) - 0.5f) * bgScale));
        // Hills at the foot of the well.
        const float hill = 34 + 22 * fractalNoise(x / 50.0f, 0, 5, 3);
        p = mix(p, rgb8(4, 5, 12), cover((y - hill) * bgScale));
        return p;
    });
    // A few bright stars with a soft cross of light.
    for (int i = 0; i < 14; ++i) {
        const float sx = 8 + hash2(i, 1, 21) * 240, sy = 110 + hash2(i, 2, 21) * 390;
        forEachPixelOver(bgScale, int(sx) - 6, int(sx) + 6, int(sy) - 6, int(sy) + 6, [&](int x, int y, float u, float v) {
            const float dx = std::fabs(u - sx), dy = std::fabs(v - sy);
            const float glow = std::exp(-(dx * dx + dy * dy) / 2.5f) + 0.4f * std::exp(-dx * 1.5f - dy * 0.35f) +
                               0.4f * std::exp(-dy * 1.5f - dx * 0.35f);
            c.blend(x, y, rgb8(220, 228, 255), 0.7f * glow);
        });
    }
    addCellGrid(c);
    return c;
}

Canvas deepSea() {
    Canvas c = backgroundCanvas();
    paintDesign(c, [&](float x, float y) {
        const float fy = y / bgHeight;
        Rgb p = mix(rgb8(2, 16, 28), rgb8(8, 58, 80), fy);
        // Slanted shafts of light from the surface, fading with depth.
        const float phase = (x + 0.38f * (bgHeight - y)) * 0.045f + 2.5f * fractalNoise(x / 60.0f, y / 200.0f, 3, 2);
        const float shaft = std::pow(0.5f + 0.5f * std::sin(phase), 8.0f) * std::pow(clamp01(fy), 1.6f);
        p = p + rgb8(110, 215, 225) * (0.16f * shaft);
        // Rippled sand on the floor.
        const float floor = 30 + 10 * fractalNoise(x / 40.0f, 0, 9, 3);
        const Rgb sand = mix(rgb8(26, 36, 34), rgb8(44, 52, 44), fractalNoise(x / 6.0f, y / 3.0f, 13, 2));
        p = mix(p, sand, cover((y - floor) * bgScale));
        return p;
    });
    // Rising bubbles: thin rings with a highlight.
    for (int i = 0; i < 26; ++i) {
        const float bx = 10 + hash2(i, 3, 31) * 236, by = 60 + hash2(i, 4, 31) * 440;
        const float radius = 2 + hash2(i, 5, 31) * 5;
        forEachPixelOver(bgScale, int(bx - radius) - 2, int(bx + radius) + 2, int(by - radius) - 2, int(by + radius) + 2,
                         [&](int x, int y, float u, float v) {
                             const float d = std::hypot(u - bx, v - by);
                             c.blend(x, y, rgb8(150, 220, 235), 0.45f * cover((std::fabs(d - radius) - 0.6f) * bgScale));
                             const float gleam = std::hypot(u - bx + radius * 0.4f, v - by - radius * 0.4f);
                             c.blend(x, y, rgb8(230, 250, 255), 0.6f * cover((gleam - radius * 0.25f) * bgScale));
                         });
    }
    addCellGrid(c);
    return c;
}

Canvas stoneWall() {
    Canvas c = backgroundCanvas();
    const int brickW = 64, brickH = 32;
    paintDesign(c, [&](float x, float y) {
        // Stones are counted by the design pixel the position falls in.
        const int row = int(std::floor((y + 0.5f) / brickH));
        const float shifted = x + float((row & 1) * (brickW / 2));
        const int column = int(std::floor((shifted + 0.5f) / brickW));
        const float bx = shifted - float(column * brickW), by = y - float(row * brickH);
        const float tone = 0.8f + 0.4f * hash2(column, row, 41);
        const float grain = fractalNoise(x / 5.0f, y / 5.0f, 43, 3);
        Rgb p = mix(rgb8(46, 36, 30), rgb8(74, 60, 50), grain) * tone;
        // Lit top edge and shaded bottom edge of each stone, then the mortar.
        p = p * (1 + 0.25f * smoothstep(6, 2, brickH - by) - 0.3f * smoothstep(6, 2, by));
        const float mortar = std::min(std::min(bx, brickW - bx), std::min(by, brickH - by));
        p = mix(p, rgb8(20, 17, 16), smoothstep(2.5f, 1.5f, mortar));
        // Torchlight: warmer and brighter towards the middle of the well.
        const float dx = (x - 128) / 180.0f, dy = (y - 300) / 380.0f;
        p = p * (0.55f + 0.5f * std::exp(-(dx * dx + dy * dy) * 2.5f));
        return p;
    });
    addCellGrid(c);
    return c;
}

Canvas crystalCave() {
    Canvas c = backgroundCanvas();
    const int cell = 48;
    paintDesign(c, [&](float x, float y) {
        // Voronoi facets: nearest and second-nearest jittered point.
        float best = 1e9f, second = 1e9f;
        int bestX = 0, bestY = 0;
        const int cx = int(std::floor((x + 0.5f) / cell)), cy = int(std::floor((y + 0.5f) / cell));
        for (int j = cy - 1; j <= cy + 1; ++j)
            for (int i = cx - 1; i <= cx + 1; ++i) {
                const float px = (i + 0.15f + 0.7f * hash2(i, j, 51)) * cell;
                const float py = (j + 0.15f + 0.7f * hash2(i, j, 52)) * cell;
                const float d = std::hypot(x + 0.5f - px, y + 0.5f - py);
                if (d < best) {
                    second = best;
                    best = d;
                    bestX = i;
                    bestY = j;
                } else if (d < second) {
                    second = d;
                }
            }
        const float angle = hash2(bestX, bestY, 53) * 2 * pi;
        const float slope = ((x - bestX * cell) * std::cos(angle) + (y - bestY * cell) * std::sin(angle)) / cell;
        Rgb p = mix(rgb8(24, 12, 42), rgb8(72, 36, 104), clamp01(0.35f + 0.5f * hash2(bestX, bestY, 54) + 0.25f * slope));
        p = mix(p, rgb8(150, 104, 210), 0.55f * smoothstep(2.2f, 0.4f, second - best));
        const float fy = y / bgHeight;
        return p * (0.6f + 0.4f * fy);
    });
    addCellGrid(c);
    return c;
}

Canvas volcanicDusk() {
    Canvas c = backgroundCanvas();
    paintDesign(c, [&](float x, float y) {
        const float fy = y / bgHeight;
        Rgb p = mix(rgb8(110, 34, 14), rgb8(12, 4, 22), std::pow(clamp01((fy - 0.28f) / 0.72f), 0.6f));
        // A dim red sun low behind the mountains.
        const float sun = std::hypot(x - 168.0f, y - 190.0f);
        p = mix(p, rgb8(170, 58, 22), cover((sun - 34) * bgScale) * 0.8f);
        p = p + rgb8(90, 24, 8) * (0.35f * std::exp(-sun / 60));
        const float far = 150 + 70 * fractalNoise(x / 70.0f, 0, 61, 4);
        p = mix(p, rgb8(36, 12, 16), cover((y - far) * bgScale));
        const float near = 90 + 45 * fractalNoise(x / 40.0f, 0, 62, 4);
        if (y < near + 1) {
            // Lava seams glowing in the near slopes.
            const float seam = std::fabs(fractalNoise(x / 30.0f, y / 30.0f, 63, 3) - 0.5f);
            Rgb rock = mix(rgb8(12, 5, 7), rgb8(200, 70, 14), 0.7f * smoothstep(0.03f, 0.0f, seam) * clamp01(1 - y / near));
            p = mix(p, rock, cover((y - near) * bgScale));
        }
        return p;
    });
    // Embers drifting up.
    for (int i = 0; i < 40; ++i) {
        const float ex = hash2(i, 6, 71) * 256, ey = 80 + hash2(i, 7, 71) * 420;
        forEachPixelOver(bgScale, int(ex) - 3, int(ex) + 3, int(ey) - 3, int(ey) + 3, [&](int x, int y, float u, float v) {
            const float d = std::hypot(u - ex, v - ey);
            c.blend(x, y, rgb8(255, 150, 50), 0.8f * std::exp(-d * d / 1.2f) * (1.2f - ey / 512));
        });
    }
    addCellGrid(c);
    return c;
}

// ---------------------------------------------------------------------------------------------
// Labels: light strokes with a dark outline and a drop shadow, laid over a background.

struct LabelStyle {
    float strokeWidth;
    float outlineWidth;
    float shadowOffset;
    Rgb top, bottom;  // fill gradient over the strokes' height
    Rgb outline;
};

void drawLabel(Canvas& c, const Strokes& strokes, float bottomY, float topY, const LabelStyle& s) {
    const std::vector<float> field = distanceField(strokes, c.width, c.height);
    auto at = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= c.width || y >= c.height) return 1e9f;
        return field[size_t(y) * size_t(c.width) + size_t(x)];
    };
    const int off = int(std::lround(s.shadowOffset));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            c.blend(x, y, Rgb{0, 0, 0}, 0.55f * cover(at(x - off, y + off) - s.outlineWidth / 2));
            c.blend(x, y, s.outline, cover(at(x, y) - s.outlineWidth / 2));
            const Rgb fill = mix(s.bottom, s.top, clamp01((y - bottomY) / (topY - bottomY)));
            c.blend(x, y, fill, cover(at(x, y) - s.strokeWidth / 2));
        }
}

// Digits and key indicators: 64 x 64 design pixels, 2 x 2 world units at depth 20 to 25, up to
// about 261 pixels at 2160 lines: drawn at 256.
constexpr int tileScale = 4;
constexpr int tileSize = 64 * tileScale;
// Menu buttons: 512 x 256 design pixels, 4 x 2 world units; the selected one at depth 7 is about
// 1490 x 745 pixels at 2160 lines: drawn at 2048 x 1024.
constexpr int buttonScale = 4;

Canvas digitTile(int digit) {
    const float k = tileScale;
    Canvas c(tileSize, tileSize);
    paint(c, [&](int x, int y) {
        const float d = roundedBoxDistance(x + 0.5f, y + 0.5f, 32 * k, 32 * k, 30 * k, 30 * k, 9 * k);
        // Flat, with a lighter strip along the top.
        Rgb p = y / tileScale > 50 ? rgb8(48, 58, 118) : rgb8(34, 42, 90);
        p = mix(p, rgb8(150, 170, 240), cover(std::fabs(d + 1.5f * k) - 1.2f * k));
        return mix(Rgb{0, 0, 0}, p, cover(d));
    });
    drawLabel(c, textStrokes(std::string(1, char('0' + digit)), 40 * k, 32 * k, 32 * k), 12 * k, 52 * k,
              {7 * k, 11 * k, 2 * k, rgb8(255, 250, 200), rgb8(255, 196, 64), rgb8(28, 16, 6)});
    return c;
}

Canvas menuButton(const char* text, Rgb top, Rgb bottom) {
    const float k = buttonScale;
    const int w = 512 * buttonScale, h = 256 * buttonScale;
    Canvas c(w, h);
    paint(c, [&](int x, int y) {
        const float d = roundedBoxDistance(x + 0.5f, y + 0.5f, 256 * k, 128 * k, 250 * k, 122 * k, 52 * k);
        Rgb p = mix(bottom, top, y / float(h - 1));
        // Gloss on the upper half, a gold frame with a dark inner line.
        p = mix(p, Rgb{1, 1, 1}, 0.16f * smoothstep(118 * k, 140 * k, float(y)) * smoothstep(-4 * k, -30 * k, d));
        p = mix(p, rgb8(24, 18, 10), cover(std::fabs(d + 13 * k) - 2 * k));
        p = mix(p, mix(rgb8(170, 120, 40), rgb8(250, 214, 120), y / float(h - 1)), cover(std::fabs(d + 5.5f * k) - 5 * k));
        return mix(Rgb{0, 0, 0}, p, cover(d));
    });
    drawLabel(c, textStrokes(text, 60 * k, 256 * k, 128 * k), 98 * k, 158 * k,
              {12 * k, 21 * k, 5 * k, rgb8(255, 255, 250), rgb8(238, 234, 222), rgb8(14, 12, 10)});
    return c;
}

// The label before the best score: a digit tile's plate with the word in smaller letters.
Canvas bestLabel() {
    const float k = tileScale;
    Canvas c(tileSize, tileSize);
    paint(c, [&](int x, int y) {
        const float d = roundedBoxDistance(x + 0.5f, y + 0.5f, 32 * k, 32 * k, 30 * k, 30 * k, 9 * k);
        Rgb p = mix(rgb8(20, 26, 60), rgb8(40, 48, 104), y / float(tileSize - 1));
        p = mix(p, rgb8(150, 170, 240), cover(std::fabs(d + 1.5f * k) - 1.2f * k));
        return mix(Rgb{0, 0, 0}, p, cover(d));
    });
    drawLabel(c, textStrokes("BEST", 17 * k, 32 * k, 32 * k), 23 * k, 41 * k,
              {3.4f * k, 6 * k, 1 * k, rgb8(255, 250, 200), rgb8(255, 196, 64), rgb8(28, 16, 6)});
    return c;
}

// The banner of a finished game that beat the best score: 256 x 128 design pixels, 4 x 2 world
// units at depth 10, about 520 pixels high at 2160 lines: drawn at 1024 x 512.
Canvas newBestBanner() {
    const float k = 4;
    const int w = 256 * 4, h = 128 * 4;
    Canvas c(w, h);
    paint(c, [&](int x, int y) {
        const float d = roundedBoxDistance(x + 0.5f, y + 0.5f, 128 * k, 64 * k, 124 * k, 40 * k, 26 * k);
        Rgb p = mix(rgb8(120, 70, 8), rgb8(236, 176, 48), y / float(h - 1));
        p = mix(p, rgb8(40, 24, 6), cover(std::fabs(d + 6 * k) - 1 * k));
        p = mix(p, rgb8(255, 236, 160), cover(std::fabs(d + 2.5f * k) - 2 * k));
        return mix(Rgb{0, 0, 0}, p, cover(d));
    });
    drawLabel(c, textStrokes("NEW BEST", 34 * k, 128 * k, 64 * k), 47 * k, 81 * k,
              {7 * k, 12 * k, 3 * k, rgb8(255, 255, 250), rgb8(255, 244, 214), rgb8(60, 30, 4)});
    return c;
}

// Key indicators: a light key cap seen from above with a dark symbol; symbol and strokeWidth in
// design pixels.
Canvas keyCap(const Strokes& symbol, float strokeWidth) {
    const float k = tileScale;
    Canvas c(tileSize, tileSize);
    paint(c, [&](int x, int y) {
        const float outer = roundedBoxDistance(x + 0.5f, y + 0.5f, 32 * k, 32 * k, 30 * k, 30 * k, 9 * k);
        const float face = roundedBoxDistance(x + 0.5f, y + 0.5f, 32 * k, 34.5f * k, 24 * k, 23 * k, 7 * k);
        const float fy = designAt(y, tileScale) / 63.0f;
        Rgb p = mix(rgb8(62, 68, 84), rgb8(104, 110, 126), fy);
        p = mix(p, mix(rgb8(176, 182, 196), rgb8(232, 235, 242), fy), cover(face));
        return mix(Rgb{0, 0, 0}, p, cover(outer));
    });
    Strokes scaled = symbol;
    for (std::vector<float>& line : scaled.lines)
        for (float& v : line) v *= k;
    const std::vector<float> field = distanceField(scaled, tileSize, tileSize);
    for (int y = 0; y < tileSize; ++y)
        for (int x = 0; x < tileSize; ++x)
            c.blend(x, y, rgb8(30, 40, 70), cover(field[size_t(y) * tileSize + size_t(x)] - strokeWidth * k / 2));
    return c;
}

// An arrow pointing along (dx, dy) through the key face's centre.
Canvas arrowKey(float dx, float dy) {
    const float cx = 32, cy = 34.5f, len = 13, head = 9;
    const float tipX = cx + dx * len, tipY = cy + dy * len;
    Strokes s;
    s.lines.push_back({cx - dx * len, cy - dy * len, tipX, tipY});
    s.lines.push_back({tipX - dx * head - dy * head, tipY - dy * head + dx * head, tipX, tipY,
                       tipX - dx * head + dy * head, tipY - dy * head - dx * head});
    return keyCap(s, 6);
}

// Signs: the paused sign, 512 x 256 design pixels and 4 x 2 world units at depth 15, about 700 x 350
// pixels at 2160 lines: drawn at 1024 x 512.
constexpr int signScale = 2;

// A panel's shape in design pixels: its margin to the picture's edge, corner radius, and the frame
// line's inset from the panel's edge and half width.
struct PanelShape {
    float margin, radius, frameInset, frameHalf;
};

// A rounded panel over a picture of width x height design pixels drawn at scale, shaded from bottom
// to top, with a frame line, black outside.
Canvas framedPanel(int width, int height, int scale, PanelShape shape, Rgb bottom, Rgb top, Rgb frame) {
    const float k = float(scale);
    Canvas c(width * scale, height * scale);
    paint(c, [&](int x, int y) {
        const float d = roundedBoxDistance(x + 0.5f, y + 0.5f, width / 2.0f * k, height / 2.0f * k,
                                           (width / 2.0f - shape.margin) * k, (height / 2.0f - shape.margin) * k,
                                           shape.radius * k);
        Rgb p = mix(bottom, top, y / float(c.height - 1));
        p = mix(p, frame, cover(std::fabs(d + shape.frameInset * k) - shape.frameHalf * k));
        return mix(Rgb{0, 0, 0}, p, cover(d));
    });
    return c;
}

// A dark panel with a light frame: "PAUSED" over the way to play on, in letters capHeight design
// pixels high.
Canvas pausedSign(const char* playOn, float capHeight) {
    const float k = signScale;
    Canvas c = framedPanel(512, 256, signScale, {6, 40, 7, 3}, rgb8(10, 16, 44), rgb8(30, 44, 100), rgb8(150, 170, 240));
    drawLabel(c, textStrokes("PAUSED", 76 * k, 256 * k, 160 * k), 122 * k, 198 * k,
              {11 * k, 19 * k, 4 * k, rgb8(255, 250, 200), rgb8(255, 196, 64), rgb8(28, 16, 6)});
    drawLabel(c, textStrokes(playOn, capHeight * k, 256 * k, 66 * k), (66 - capHeight / 2) * k, (66 + capHeight / 2) * k,
              {5 * k, 9 * k, 2 * k, rgb8(255, 255, 250), rgb8(214, 222, 240), rgb8(10, 12, 24)});
    return c;
}

// A loudspeaker struck through, on a dark tile: the sound is off.
Canvas soundOffSign() {
    const float k = tileScale;
    Canvas c = framedPanel(64, 64, tileScale, {2, 9, 1.5f, 1.2f}, rgb8(20, 22, 34), rgb8(44, 48, 66), rgb8(120, 126, 150));
    Strokes speaker;
    speaker.lines.push_back({12 * k, 26 * k, 20 * k, 26 * k, 30 * k, 17 * k, 30 * k, 47 * k, 20 * k, 38 * k, 12 * k,
                             38 * k, 12 * k, 26 * k});
    Strokes cross;
    cross.lines.push_back({37 * k, 24 * k, 52 * k, 40 * k});
    cross.lines.push_back({37 * k, 40 * k, 52 * k, 24 * k});
    drawLabel(c, speaker, 17 * k, 47 * k, {4 * k, 7 * k, 1.5f * k, rgb8(250, 250, 255), rgb8(200, 206, 222), rgb8(8, 8, 14)});
    drawLabel(c, cross, 24 * k, 40 * k, {5 * k, 8 * k, 1.5f * k, rgb8(255, 120, 100), rgb8(220, 40, 40), rgb8(30, 4, 4)});
    return c;
}

struct PictureFile {
    std::string name;
    std::function<Canvas()> draw;
    BmpEncoding encoding;
    size_t colours = 256;  // the palette's size in palettised encodings
};

}  // namespace

bool writePictures(const std::string& dir) {
    const Rgb newTop = rgb8(36, 150, 108), newBottom = rgb8(8, 56, 44);
    const Rgb quitTop = rgb8(176, 40, 50), quitBottom = rgb8(66, 10, 20);
    // Gem colours 5..9 live in files 7..11; file 6 is the magic gem. The large backgrounds take the
    // compact encodings, which the browser's first visit pays for; the small pictures the 24- and
    // 32-bit ones. The stone wall's fine grain would cost most in a full palette; 32 colours along
    // its browns look the same.
    std::vector<PictureFile> files = {
        {"bbgr.bmp", nightSky, BmpEncoding::rle8},
        {"bbgr1.bmp", deepSea, BmpEncoding::indexed8},
        {"bbgr2.bmp", stoneWall, BmpEncoding::indexed8, 32},
        {"bbgr3.bmp", crystalCave, BmpEncoding::indexed8Core},
        {"bbgr4.bmp", volcanicDusk, BmpEncoding::bitfields565},
        {"kol6.bmp", magicGem, BmpEncoding::rgb24},
        {"bnew.bmp", [&] { return menuButton("NEW GAME", newTop, newBottom); }, BmpEncoding::rle8},
        {"bquit.bmp", [&] { return menuButton("QUIT", quitTop, quitBottom); }, BmpEncoding::rle8},
        {"bleft.bmp", [] { return arrowKey(-1, 0); }, BmpEncoding::indexed4},
        {"bright.bmp", [] { return arrowKey(1, 0); }, BmpEncoding::indexed4},
        {"bdown.bmp", [] { return arrowKey(0, -1); }, BmpEncoding::rle4},
        {"bctrl.bmp", [] { return keyCap(textStrokes("CTRL", 12, 32, 34.5f), 2.6f); }, BmpEncoding::rgb24TopDown},
        {"best.bmp", bestLabel, BmpEncoding::rle8},
        {"newbest.bmp", newBestBanner, BmpEncoding::rle8},
        {"spause.bmp", [] { return pausedSign("PRESS P TO PLAY ON", 30); }, BmpEncoding::rle8},
        {"spauset.bmp", [] { return pausedSign("TAP PAUSE TO PLAY ON", 25); }, BmpEncoding::rle8},
        {"smute.bmp", soundOffSign, BmpEncoding::indexed8},
    };
    static const int gemFileNumber[10] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11};
    for (int i = 0; i < 10; ++i) {
        // Red and green stand for the 32-bit pixels and the 12-byte header's 24-bit ones.
        const BmpEncoding encoding = i == 0 ? BmpEncoding::rgb32 : i == 1 ? BmpEncoding::rgb24Core : BmpEncoding::indexed8;
        files.push_back({"kol" + std::to_string(gemFileNumber[i]) + ".bmp", [i] { return ordinaryGem(gemStyles[i]); },
                         encoding});
    }
    for (int d = 0; d < 10; ++d)
        files.push_back({std::to_string(d) + ".bmp", [d] { return digitTile(d); }, BmpEncoding::rle8});
    for (const PictureFile& f : files)
        if (!writeBmp(dir + "/" + f.name, toPicture(f.draw()), f.encoding, f.colours)) return false;
    return true;
}
