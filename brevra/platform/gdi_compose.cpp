// Brevra platform layer: child windows on screen. Status bars are painted into their surfaces
// (strip, part separators, text in DejaVu Sans through SDL2_ttf) and every visible child's
// surface is drawn over the OpenGL frame of its top-level window just before the frame is shown.
//
// Without the font file, status bars show their strip and separators but no text, and a
// warning says so once.
//
// Limits: children are drawn with glDrawPixels in the window's current context, clipped to the
// client area; painted pixels are opaque (no blending).
#include <GL/gl.h>         // Required for: glDrawPixels and the state it saves
#include <SDL2/SDL.h>      // Required for: SDL_Surface, SDL_ConvertSurfaceFormat
#include <SDL2/SDL_ttf.h>  // Required for: TTF_OpenFont, TTF_RenderUTF8_Blended

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "brevra/platform/gdi.h"
#include "brevra/platform/state.h"

namespace brevra::platform::detail {

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kFontSize = 12;
constexpr std::uint32_t kFace = 0xFFD4D0C8u;    // button face
constexpr std::uint32_t kShadow = 0xFF808080u;  // separators and the top edge
constexpr std::uint32_t kLight = 0xFFFFFFFFu;

// ---- the font renderer, opened once ----
TTF_Font* Font() {
  static bool tried = false;
  static TTF_Font* font = nullptr;
  if (tried) return font;
  tried = true;
  if (TTF_WasInit() == 0 && TTF_Init() != 0) {
    std::fprintf(stderr, "brevra: the font renderer cannot start; status bars show no text\n");
    return nullptr;
  }
  font = TTF_OpenFont(kFontPath, kFontSize);
  if (font == nullptr) std::fprintf(stderr, "brevra: no font at %s\n", kFontPath);
  return font;
}

void Fill(Surface& s, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
          std::uint32_t colour) {
  FillSurface(s, x0, y0, x1, y1, colour);
}

// Blends UTF-8 text in black onto the surface, clipped to [x, right).
void DrawText(Surface& s, const std::string& utf8, std::int32_t x, std::int32_t right) {
  DrawSurfaceText(s, utf8, x, right, 0, s.height, 0x000000);
}

}  // namespace

void FillSurface(Surface& s, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::uint32_t colour) {
  for (std::int32_t y = std::max(0, y0); y < std::min(s.height, y1); ++y) {
    for (std::int32_t x = std::max(0, x0); x < std::min(s.width, x1); ++x) {
      s.pixels[static_cast<std::size_t>(y) * s.width + x] = colour;
    }
  }
}

std::int32_t SurfaceTextWidth(const std::string& utf8) {
  TTF_Font* font = Font();
  int w = 0, h = 0;
  if (font == nullptr || utf8.empty() || TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) {
    return 7 * static_cast<std::int32_t>(utf8.size());  // a guess without the font
  }
  return w;
}

std::int32_t SurfaceTextHeight() {
  TTF_Font* font = Font();
  return font != nullptr ? TTF_FontHeight(font) : 14;
}

void DrawSurfaceText(Surface& s, const std::string& utf8, std::int32_t x, std::int32_t right,
                     std::int32_t y0, std::int32_t y1, std::uint32_t rgb) {
  TTF_Font* font = Font();
  if (font == nullptr || utf8.empty()) return;
  const SDL_Color colour{static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                         static_cast<Uint8>(rgb), 255};
  SDL_Surface* text = TTF_RenderUTF8_Blended(font, utf8.c_str(), colour);
  if (text == nullptr) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(text, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(text);
  if (argb == nullptr) return;
  const std::int32_t top = y0 + (y1 - y0 - argb->h) / 2;
  for (std::int32_t j = 0; j < argb->h; ++j) {
    const std::int32_t y = top + j;
    if (y < 0 || y >= s.height) continue;
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        static_cast<const std::uint8_t*>(argb->pixels) + j * argb->pitch);
    for (std::int32_t i = 0; i < argb->w; ++i) {
      const std::int32_t px = x + i;
      if (px < 0 || px >= std::min(right, s.width)) continue;
      const std::uint32_t src = row[i];
      const std::uint32_t a = src >> 24;
      if (a == 0) continue;
      std::uint32_t& dst = s.pixels[static_cast<std::size_t>(y) * s.width + px];
      std::uint32_t out = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t sc = (src >> shift) & 0xFF, dc = (dst >> shift) & 0xFF;
        out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
      }
      dst = out;
    }
  }
  SDL_FreeSurface(argb);
}

namespace {

// What a status bar showed last, so that it is painted again only when it changes.
std::map<HWND, std::string>& StatusKeys() {
  static std::map<HWND, std::string> keys;
  return keys;
}

}  // namespace

void DrawSurface(const Surface& s, std::int32_t x, std::int32_t y, std::int32_t clientW,
                 std::int32_t clientH) {
  const std::int32_t x0 = std::max(0, x), y0 = std::max(0, y);
  const std::int32_t x1 = std::min(clientW, x + s.width), y1 = std::min(clientH, y + s.height);
  if (x1 <= x0 || y1 <= y0) return;
  const std::int32_t w = x1 - x0, h = y1 - y0;
  // glDrawPixels takes the bottom row first.
  std::vector<std::uint32_t> rows(static_cast<std::size_t>(w) * h);
  for (std::int32_t j = 0; j < h; ++j) {
    const std::uint32_t* src =
        s.pixels.data() + static_cast<std::size_t>(y0 - y + j) * s.width + (x0 - x);
    std::copy(src, src + w, rows.begin() + static_cast<std::size_t>(h - 1 - j) * w);
  }
  glRasterPos2i(x0, clientH - y1);
  glDrawPixels(w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
}

namespace {

void DrawChildren(Window* w, std::int32_t originX, std::int32_t originY, std::int32_t clientW,
                  std::int32_t clientH) {
  for (HWND c : std::vector<HWND>(w->children)) {
    Window* child = FindWindow(c);
    if (child == nullptr || !child->visible) continue;
    if (IsStatusClass(child)) PaintStatusWindow(child);
    const std::int32_t cx = originX + child->x + child->frame.left;
    const std::int32_t cy = originY + child->y + child->frame.top;
    if (const Surface* s = WindowSurface(c); s != nullptr)
      DrawSurface(*s, cx, cy, clientW, clientH);
    DrawChildren(child, cx, cy, clientW, clientH);
  }
}

}  // namespace

void PaintStatusWindow(Window* status) {
  if (status == nullptr) return;
  std::string key =
      std::to_string(status->clientWidth()) + "x" + std::to_string(status->clientHeight());
  for (std::int32_t e : status->parts) key += "|" + std::to_string(e);
  for (const std::string& t : status->partTexts) key += '\x1f' + t;
  if (status->partTexts.empty()) key += '\x1f' + status->text;
  Surface* s = PaintSurface(status->self);
  if (s == nullptr) return;
  std::string& last = StatusKeys()[status->self];
  if (last == key && !s->pixels.empty()) return;
  last = key;

  Fill(*s, 0, 0, s->width, s->height, kFace);
  Fill(*s, 0, 0, s->width, 1, kShadow);
  Fill(*s, 0, 1, s->width, 2, kLight);
  // Parts: right edges in client x, -1 reaching the right border; none means one part.
  std::vector<std::int32_t> edges = status->parts;
  if (edges.empty()) edges.push_back(-1);
  std::int32_t left = 0;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const std::int32_t right = edges[i] < 0 ? s->width : std::min(edges[i], s->width);
    if (right < s->width) {
      Fill(*s, right - 2, 3, right - 1, s->height - 1, kShadow);
      Fill(*s, right - 1, 3, right, s->height - 1, kLight);
    }
    const std::string text = i < status->partTexts.size() ? status->partTexts[i]
                                                          : (i == 0 ? status->text : std::string());
    DrawText(*s, Cp1252ToUtf8(text.c_str()), left + 4, right - 3);
    left = right;
    if (left >= s->width) break;
  }
}

void CompositeChildren(Window* top) {
  if (top == nullptr || top->children.empty()) return;
  const std::int32_t cw = top->clientWidth(), ch = top->clientHeight();
  if (cw <= 0 || ch <= 0) return;
  BeginOverlay(cw, ch);
  DrawChildren(top, 0, 0, cw, ch);
  EndOverlay();
}

void BeginOverlay(std::int32_t cw, std::int32_t ch) {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, cw, 0, ch, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, cw, ch);
  for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_TEXTURE_2D, GL_FOG, GL_BLEND, GL_CULL_FACE,
                     GL_SCISSOR_TEST, GL_STENCIL_TEST}) {
    glDisable(cap);
  }
  // Only painted pixels (alpha 0xFF): the region clipped the painting already.
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glPixelZoom(1.0f, 1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glColor4f(1, 1, 1, 1);
}

void EndOverlay() {
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}

}  // namespace brevra::platform::detail
