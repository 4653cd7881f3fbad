// Brevra textures: the TGA file reader and its module state.
//
// `LoadTGA` opens a true-colour TGA file (type 2 or type 10, 24 or 32 bits per pixel), decodes it
// with the core of tga_core.h into red, green, blue (and alpha) bytes and reports every failure
// in one message box (caption "ERROR", or "Invalid Image" for a file of another type). The
// reader makes no GL calls; the slot layer (textures.h) uploads and releases the pixels.
//
// Limits: one file at a time (the module state below is shared); not re-entrant. A device error
// while reading is not a short read: it reaches the caller as std::system_error, after the file
// has been closed and the pixels released.
#pragma once

#include <cstdio>
#include <string>

#include "brevra/export.h"
#include "brevra/textures/tga_core.h"

namespace BREVRA_API brevra {

// ---------------------------------------------------------------------------------------------
// Module state
// ---------------------------------------------------------------------------------------------
extern TTGAHeader TGAHeader;          // the 12 bytes last read by LoadTGA
extern TTGA TGA;                      // the information block and sizes of the image last read
extern std::FILE* FTGA;               // the file being read; null whenever LoadTGA is not running
extern const TTGAHeader UTGACompare;  // 00 00 02 00 00 00 00 00 00 00 00 00
extern const TTGAHeader CTGACompare;  // 00 00 0A 00 00 00 00 00 00 00 00 00

// ---------------------------------------------------------------------------------------------
// Reader
// ---------------------------------------------------------------------------------------------
// Decodes the named file into `Texture`. True when ImageData holds the complete image (the caller
// owns it: FreeTGAImage or std::free) and Bpp, Width, Height and Typ describe it. False after a
// failure that has been shown to the user; ImageData is then null. TexID is never touched.
bool LoadTGA(TGATexture& Texture, const std::string& Filename);

// Internal to the library: the body readers, called by LoadTGA with FTGA at file offset 12. On
// true they have closed FTGA; on false it is still open.
bool LoadUncompressedTGA(TGATexture& Texture);
bool LoadCompressedTGA(TGATexture& Texture);

}  // namespace brevra
