// Decoding speed of the game's BMP decoder next to stb_image and SDL_LoadBMP, on the same files,
// one group per variant; and the CPU's share of start-up: the game's own 32 pictures decoded, with
// and without their mipmap chains.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <stb/stb_image.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/dib.h"
#include "assets/textures.h"
#include "bmp_writer.h"
#include "canvas.h"

namespace {

// A photograph-like picture: smooth colour fields with fine grain.
Picture photo(int size) {
    Canvas c(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = float(x) / 64, v = float(y) / 64;
            c.at(x, y) = {fractalNoise(u, v, 1, 4), fractalNoise(u, v, 2, 4), fractalNoise(u, v, 3, 4) * 0.8f + hash2(x, y, 4) * 0.2f};
        }
    return toPicture(c);
}

// A poster-like picture of flat areas, as buttons and digits are: long runs of one index.
Picture poster(int size) {
    Canvas c(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int band = int(fractalNoise(x / 90.0f, y / 90.0f, 5, 2) * 12);
            c.at(x, y) = rgb8(band * 20, 255 - band * 17, (band * 53) % 256);
        }
    return toPicture(c);
}

struct Variant {
    const char* name;
    std::string path;
};

void decodeOurs(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        RgbImage* image = loadDibImage(path.c_str());
        if (!image) {
            state.SkipWithError("decoder refused the file");
            return;
        }
        benchmark::DoNotOptimize(image->data[0]);
        state.SetBytesProcessed(state.bytes_processed() + int64_t(image->width) * image->height * 3);
        std::free(image->data);
        std::free(image);
    }
}

void decodeStb(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &n, 3);
        if (!pixels) {
            state.SkipWithError(stbi_failure_reason());
            return;
        }
        benchmark::DoNotOptimize(pixels[0]);
        state.SetBytesProcessed(state.bytes_processed() + int64_t(w) * h * 3);
        stbi_image_free(pixels);
    }
}

void decodeSdl(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        SDL_Surface* surface = SDL_LoadBMP(path.c_str());
        if (!surface) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        benchmark::DoNotOptimize(surface->pixels);
        state.SetBytesProcessed(state.bytes_processed() + int64_t(surface->w) * surface->h * 3);
        SDL_FreeSurface(surface);
    }
}

// What the game would need of SDL: the surface converted to red, green, blue bytes.
void decodeSdlToRgb(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        SDL_Surface* surface = SDL_LoadBMP(path.c_str());
        SDL_Surface* rgb = surface ? SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
        SDL_FreeSurface(surface);
        if (!rgb) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        benchmark::DoNotOptimize(rgb->pixels);
        state.SetBytesProcessed(state.bytes_processed() + int64_t(rgb->w) * rgb->h * 3);
        SDL_FreeSurface(rgb);
    }
}

// Every picture of the texture set, in its loading order.
std::vector<const char*> gamePictures() {
    std::vector<const char*> files;
    for (auto table : {std::make_pair(backgroundFiles, 5), std::make_pair(gemFiles, 11), std::make_pair(digitFiles, 10),
                       std::make_pair(menuFiles, 2), std::make_pair(keyFiles, 4),
                       std::make_pair(recordFiles, 2), std::make_pair(signFiles, 3)})
        files.insert(files.end(), table.first, table.first + table.second);
    return files;
}

void ignoreLevel(void*, int, int, int, const unsigned char* rgb) {
    unsigned char first = rgb[0];
    benchmark::DoNotOptimize(first);
}

// The 32 pictures decoded one at a time, as loadTextureSet does, optionally with their mip chains.
void decodeGamePictures(benchmark::State& state, bool mipmaps) {
    const std::vector<const char*> files = gamePictures();
    for (auto _ : state) {
        for (const char* file : files) {
            RgbImage* image = loadDibImage(file);
            if (!image) {
                state.SkipWithError("a picture is missing: run from a folder with pic/ (BRINVALE_BENCH_DATA)");
                return;
            }
            state.SetBytesProcessed(state.bytes_processed() + int64_t(image->width) * image->height * 3);
            if (mipmaps) buildMipChain(image->data, image->width, image->height, ignoreLevel, nullptr);
            benchmark::DoNotOptimize(image->data[0]);
            std::free(image->data);
            std::free(image);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = (std::filesystem::temp_directory_path() / "brinvale-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 1;
    const std::vector<std::pair<Variant, std::pair<Picture, BmpEncoding>>> files = {
        {{"24-bit 512x512", dir + "/rgb24.bmp"}, {photo(512), BmpEncoding::rgb24}},
        {{"8-bit 512x512", dir + "/indexed8.bmp"}, {photo(512), BmpEncoding::indexed8}},
        {{"RLE8 512x512", dir + "/rle8.bmp"}, {poster(512), BmpEncoding::rle8}},
        {{"24-bit 2048x2048", dir + "/large.bmp"}, {photo(2048), BmpEncoding::rgb24}},
    };
    for (const auto& [variant, content] : files) {
        if (!writeBmp(variant.path, content.first, content.second)) return 1;
        const std::string name = variant.name, path = variant.path;
        benchmark::RegisterBenchmark((name + "/ours").c_str(), [path](benchmark::State& s) { decodeOurs(s, path); });
        benchmark::RegisterBenchmark((name + "/stb_image").c_str(), [path](benchmark::State& s) { decodeStb(s, path); });
        benchmark::RegisterBenchmark((name + "/SDL_LoadBMP").c_str(), [path](benchmark::State& s) { decodeSdl(s, path); });
        benchmark::RegisterBenchmark((name + "/SDL_LoadBMP+RGB24").c_str(),
                                     [path](benchmark::State& s) { decodeSdlToRgb(s, path); });
    }
    // The game's pictures: the build's, or another folder's pic/ to compare (BRINVALE_BENCH_DATA).
    const char* data = std::getenv("BRINVALE_BENCH_DATA");
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(data ? data : BRINVALE_BUILD_DIR);
    benchmark::RegisterBenchmark("game's 32 pictures/decoded", [](benchmark::State& s) { decodeGamePictures(s, false); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("game's 32 pictures/decoded+mip chains",
                                 [](benchmark::State& s) { decodeGamePictures(s, true); })
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
    return 0;
}
