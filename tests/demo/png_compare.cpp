// png-compare: compares a picture (a screenshot, say) with an expected one, for the end-to-end
// tests.
//
//   png-compare ACTUAL EXPECTED [--crop X,Y,W,H] [--tolerance N] [--max-fraction F]
//               [--diff FILE]
//
// --crop takes that part of ACTUAL first (a window in a screenshot). A pixel differs when one
// of its colour channels is off by more than N (default 8); the pictures match when at most the
// fraction F of the pixels differ (default 0.01). Prints one line with the counts; writes the
// difference picture to FILE when they do not match. Exit code 0 match, 1 no match, 2 error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/demo/image_compare.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: png-compare ACTUAL EXPECTED [--crop X,Y,W,H] [--tolerance N] "
               "[--max-fraction F] [--diff FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brevra::test;
  if (argc < 3) return Usage();
  const std::string actualPath = argv[1], expectedPath = argv[2];
  int cropX = 0, cropY = 0, cropW = 0, cropH = 0, tolerance = 8;
  double maxFraction = 0.01;
  std::string diffPath;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (arg == "--crop") {
      if (std::sscanf(value, "%d,%d,%d,%d", &cropX, &cropY, &cropW, &cropH) != 4) return Usage();
    } else if (arg == "--tolerance") {
      tolerance = std::atoi(value);
    } else if (arg == "--max-fraction") {
      maxFraction = std::atof(value);
    } else if (arg == "--diff") {
      diffPath = value;
    } else {
      return Usage();
    }
  }

  Image actual, expected;
  std::string error;
  if (!ReadPngFile(actualPath, actual, &error) || !ReadPngFile(expectedPath, expected, &error)) {
    std::fprintf(stderr, "png-compare: %s\n", error.c_str());
    return 2;
  }
  if (cropW > 0) {
    Image part;
    if (!Crop(actual, cropX, cropY, cropW, cropH, part)) {
      std::fprintf(stderr, "png-compare: the crop %d,%d,%d,%d does not fit the %d x %d picture\n",
                   cropX, cropY, cropW, cropH, actual.width, actual.height);
      return 2;
    }
    actual = std::move(part);
  }
  const ImageDiff diff = CompareImages(actual, expected, tolerance);
  if (!diff.sameSize) {
    std::printf("sizes differ: %d x %d against %d x %d\n", actual.width, actual.height,
                expected.width, expected.height);
    return 1;
  }
  const bool match = diff.Fraction() <= maxFraction;
  std::printf(
      "%zu of %zu pixels differ by more than %d (%.4f%%, at most %.4f%% allowed), "
      "largest difference %d\n",
      diff.differing, diff.total, tolerance, 100.0 * diff.Fraction(), 100.0 * maxFraction,
      diff.maxDelta);
  if (!match && !diffPath.empty()) {
    if (WritePngFile(diffPath, diff.picture))
      std::printf("difference picture: %s\n", diffPath.c_str());
  }
  return match ? 0 : 1;
}
