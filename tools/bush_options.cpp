// The bush presets and their growing (see bush_options.h).
#include "tools/bush_options.h"

#include <array>
#include <cerrno>
#include <cstdlib>

#include "brevra/geometry/random.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "demo/scene.h"

namespace fogliame {
namespace {

// name, about, Quality, NumLevel, TSize, tufts, tuft size, volume, stretch
constexpr std::array<BushPreset, 4> kPresets = {{
    {"demo", "the demo's bush", 8, 2, 0.2f, 5, 0.3f, 0.75f, {1, 0, 1}},
    {"shrub", "denser, rounder leaf clumps", 6, 2, 0.2f, 9, 0.22f, 0.9f, {1, 0.4f, 1}},
    {"tree", "one more branching, large sparse leaves", 10, 3, 0.25f, 4, 0.38f, 0.6f, {1, 0, 1}},
    {"sapling", "one branching, few small tufts", 6, 1, 0.15f, 3, 0.25f, 0.5f, {1, 0, 1}},
}};

}  // namespace

std::span<const BushPreset> BushPresets() { return kPresets; }

const BushPreset* FindBushPreset(std::string_view name) {
  for (const BushPreset& p : kPresets) {
    if (name == p.name) return &p;
  }
  return nullptr;
}

void PrintBushPresets(std::FILE* to) {
  for (const BushPreset& p : kPresets) {
    std::fprintf(to,
                 "%-8s quality %d, levels %d, bark size %g, tufts %d, tuft size %g, volume %g, "
                 "stretch %g %g %g  (%s)\n",
                 p.name, p.quality, p.numLevel, p.tSize, p.tufts, p.tuftSize, p.volume,
                 p.stretch[0], p.stretch[1], p.stretch[2], p.about);
  }
}

bool ParseSeed(const char* text, std::uint32_t& seed) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
  seed = static_cast<std::uint32_t>(v);
  return true;
}

void GrowBush(const BushPreset& p, std::uint32_t seed) {
  brevra::RandomSeed(seed);
  // A clump centred on its twig, no core sphere (as in the demo), then the tree whose leaf
  // model calls it.
  brevra::SetVolumeFogliage(0, 0, 0, 0, p.volume, p.stretch[0], p.stretch[1], p.stretch[2], p.tufts,
                            p.tuftSize, 1, brevra::CHIOMA, false);
  brevra::TreeAdvancedFractal3D(brevra::CESPUGLIO, brevra::ChiomaCespuglio, brevra::MatCespuglio,
                                brevra::MatFoglieCespuglio, p.quality, p.numLevel, p.tSize);
}

}  // namespace fogliame
