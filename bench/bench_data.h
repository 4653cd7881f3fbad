// Benchmark inputs made from code: TGA and BMP files of chosen size, depth and content, written
// once into a data folder and reused by later runs (a file is rewritten only when missing).
//
// Content is deterministic (a fixed-seed generator), so every run and every machine decodes the
// same bytes. Limits: sizes up to 65535 (TGA) and what the disk holds; nothing is cleaned up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brevra::bench {

// How a type 10 file is packed.
enum class Rle {
  None,       // type 2: the pixels as they are
  Realistic,  // runs of mixed length (1 to 200 pixels) between stretches of noise
  Worst,      // every pixel its own one-pixel run packet: the most packets an image can have
};
const char* RleName(Rle rle);

// Interleaved pixels in file order (blue, green, red[, alpha]), rows as the file stores them.
// `content` picks the picture: true for runs of mixed length with noisy stretches, false for
// noise (every pixel differs from its neighbour).
std::vector<std::uint8_t> MakeTgaPixels(int width, int height, int bytesPerPixel, bool runs);

// Writes (or finds) a TGA file of the given shape under `dir` and returns its path. The image
// descriptor marks the first stored row as the top row, so decoders that honour the origin bit
// and decoders that ignore it deliver the same rows.
std::string TgaFile(const std::string& dir, int size, int bpp, Rle rle);

// BMP pictures for the loaders and the region builder (24 or 32 bits, bottom-up, BI_RGB).
enum class Picture {
  Photo,          // mixed colours (loader benchmarks)
  Solid,          // one opaque colour: one run per row
  HalfNoise,      // every pixel magenta (transparent) or a random colour, even odds
  MagentaBorder,  // an opaque picture inside a magenta frame one eighth of its size wide
};
const char* PictureName(Picture picture);
std::string BmpFile(const std::string& dir, int size, int bpp, Picture picture);

// The whole file, read with one fread.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// A folder for the inputs: $BREVRA_BENCH_DATA, else "bench-data" beside the program's folder.
std::string DataDir(const char* argv0);

}  // namespace brevra::bench
