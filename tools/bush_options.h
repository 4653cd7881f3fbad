// The bush options that fogliame-export and fogliame-snapshot share: named parameter sets
// (presets), the seed of the random source, and growing the demo's bush with them.
//
// A preset varies the tree generator's Quality, NumLevel and TSize and the foliage clump's tuft
// count, tuft size, volume and stretch. "demo" holds the demo's own values, and with seed 0 grows
// exactly the demo's bush: the demo never seeds the source, which starts as seed 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

namespace fogliame {

struct BushPreset {
  const char* name;
  const char* about;
  std::int32_t quality;   // sides of every branch
  std::int32_t numLevel;  // branching depth
  float tSize;            // bark texture size
  std::int32_t tufts;     // tufts per foliage clump
  float tuftSize;         // scale of every tuft
  float volume;           // thickness of the shell the tufts lie in
  float stretch[3];       // per-axis factors of the tuft positions
};

// Every preset, "demo" first.
std::span<const BushPreset> BushPresets();
// The preset called `name`, or null.
const BushPreset* FindBushPreset(std::string_view name);
// One line per preset with its values, for --list-presets.
void PrintBushPresets(std::FILE* to);

// Parses an unsigned 32-bit decimal seed; false for anything else (sign, blanks, overflow).
bool ParseSeed(const char* text, std::uint32_t& seed);

// Seeds the random source with `seed`, then records the foliage clump and the bush with the
// preset's values into brevra::CHIOMA and brevra::CESPUGLIO, as the demo's set-up does (the
// textures must have been loaded already, with brevra::OpenGL_Texture).
void GrowBush(const BushPreset& preset, std::uint32_t seed);

}  // namespace fogliame
