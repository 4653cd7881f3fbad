// Brevra platform layer (internal): the pictures behind icon handles, for a backend to show.
//
// A window's class icon is either the system's application icon (LoadIcon with
// IDI_APPLICATION), drawn here, or a file loaded through the cursor-file loader: an icon or
// cursor file (.ico / .cur, whose entries are device-independent bitmaps with an AND mask or an
// alpha channel) or a plain BMP file. Decoding needs no display, so it is tested headless.
//
// Limits: icon entries stored as PNG are skipped (another entry of the file is taken if there
// is one); animated cursors give no picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "brevra/platform/platform.h"

namespace brevra::platform::detail {

struct IconImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB, top row first, width x height
  bool empty() const { return argb.empty(); }
};

// The built-in application icon, 32 x 32: a small window with a blue caption bar.
IconImage ApplicationIconImage();

// An icon or cursor file, or a BMP file, held in memory; empty when it cannot be decoded. Of an
// icon file's entries the largest (then the deepest) bitmap one is taken.
IconImage DecodeIconFile(const std::uint8_t* data, std::size_t size);

// The picture behind a class icon handle (0, an unknown handle or an undecodable file: empty).
IconImage IconImageOf(HANDLE icon);

}  // namespace brevra::platform::detail
