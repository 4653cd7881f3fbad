// Brevra textures: numbered texture slots filled from BMP and TGA files.
//
// Two independent tables: BMP slots 0..500 (`TextureID2`, texture names) and TGA slots 0..200
// (`TextureTGA2`, decoded-image records). A load makes a new GL texture with the library-wide
// filters `GL_MIN_FILTER` / `GL_MAG_FILTER` and repeat wrapping, and a mipmap chain when the
// minification filter asks for one; a select binds the slot's texture. BMP files come through the
// platform's bitmap loader (brevra/platform/bitmap.h), TGA files through the TGA reader (tga.h).
//
// Every operation needs a current GL context. A slot number outside its table raises
// std::out_of_range. Texture names are never deleted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "brevra/export.h"
#include "brevra/textures/tga.h"

namespace BREVRA_API brevra {

// A fixed table indexed Low..High; any other index raises std::out_of_range.
template <typename T, std::int32_t Low, std::int32_t High>
class SlotTable {
 public:
  static constexpr std::int32_t kLow = Low;
  static constexpr std::int32_t kHigh = High;
  static constexpr std::size_t size() { return static_cast<std::size_t>(High - Low + 1); }

  // Raises std::out_of_range unless Low <= index <= High.
  static void Check(std::int32_t index) {
    if (index < Low || index > High) {
      throw std::out_of_range("texture slot " + std::to_string(index) + " outside " +
                              std::to_string(Low) + ".." + std::to_string(High));
    }
  }
  T& operator[](std::int32_t index) {
    Check(index);
    return items_[static_cast<std::size_t>(index - Low)];
  }
  const T& operator[](std::int32_t index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index - Low)];
  }
  T* begin() { return items_.data(); }
  T* end() { return items_.data() + items_.size(); }

 private:
  std::array<T, static_cast<std::size_t>(High - Low + 1)> items_{};
};

// ---------------------------------------------------------------------------------------------
// Module state
// ---------------------------------------------------------------------------------------------
extern SlotTable<std::uint32_t, 0, 500> TextureID2;  // BMP slots: texture names, 0 = never loaded
extern SlotTable<TGATexture, 0, 200> TextureTGA2;    // TGA slots; ImageData is released (null)
extern std::int32_t GL_MIN_FILTER;  // minification filter of later loads (GL_LINEAR at start)
extern std::int32_t GL_MAG_FILTER;  // magnification filter of later loads (GL_LINEAR at start)

// ---------------------------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------------------------
// Loads a 24- or 32-bit BMP file into BMP slot `Num`. Silent: a file that cannot be used still
// gives the slot a fresh, bound texture name without an image.
void TextureLoadID(const char* BMPFile, std::int32_t Num);
// Binds BMP slot `Num`.
void TextureSelectID(std::int32_t Num);
// Loads a TGA file into TGA slot `Num`. A missing file does nothing; any other failure shows the
// TGA reader's message and leaves the slot's texture name as it was.
void TextureLoadTGAID(const std::string& TGAFile, std::int32_t Num);
// Binds TGA slot `Num`.
void TextureTGASelectID(std::int32_t Num);
void TextureOn();   // glEnable(GL_TEXTURE_2D)
void TextureOff();  // glDisable(GL_TEXTURE_2D)

// Bits per pixel stated in a BMP file's info header; 0 for a missing or short file, one without
// the B, M signature, or one with the 12-byte core header.
std::int32_t GetBMPDepth(const char* BMPFile);
// Exchanges the first and third byte of `Size` consecutive 3-byte groups (nothing for Size < 1).
void SwapRGB(void* Data, std::int32_t Size);
// Builds the mipmap chain of the bound 2D texture: Format 24 from RGB bytes, 32 from blue, green,
// red, alpha bytes; other formats do nothing.
void AddMipmapsTexture(std::int32_t Format, std::int32_t Width, std::int32_t Height,
                       std::uint8_t* Bits);

}  // namespace brevra
