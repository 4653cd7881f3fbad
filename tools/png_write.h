// PNG writer shared by the project's programs (snapshot, tests): 8-bit RGBA through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brevra::tools {

// Writes `width` x `height` RGBA pixels (4 bytes each, rows packed without gaps) to `path`.
// `bottomUp`: the first row in `rgba` is the picture's bottom row (as glReadPixels delivers it).
// False when the file cannot be written or the arguments are unusable (null pixels, size <= 0).
bool WritePngRGBA(const std::string& path, const std::uint8_t* rgba, int width, int height,
                  bool bottomUp);

}  // namespace brevra::tools

namespace brevra::tools {

// The same picture (top row first) as the bytes of a PNG file; empty when the arguments are
// unusable. Same pixels, same bytes.
std::vector<std::uint8_t> EncodePngRGBA(const std::uint8_t* rgba, int width, int height);

}  // namespace brevra::tools
