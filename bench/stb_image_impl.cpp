// stb_image, the comparison decoder of the TGA benchmarks: its implementation, TGA only (the
// other formats' probes would only add to its time).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>
