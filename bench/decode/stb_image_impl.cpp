// stb_image's implementation, compiled once for the benchmark (BMP only), without our warnings.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>
