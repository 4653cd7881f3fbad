// Brevra platform layer: menus on screen. A window's menu bar and the menus open over it are
// painted into surfaces (face colour, DejaVu Sans text with the mnemonic underlined, check
// marks, sub-menu arrows, separators, the highlighted item in the selection colour) and drawn
// over the window's OpenGL frame just before the frame is shown, the bar in the top rows of
// the surface, above the client area.
//
// A picture is painted again only when what it shows changes, so a frame with a bar costs one
// small glDrawPixels. Without the font file items show no text.
#include <GL/gl.h>  // Required for: glReadPixels, glDrawPixels

#include <map>
#include <string>

#include "brevra/platform/gdi.h"
#include "brevra/platform/menu.h"

namespace brevra::platform::detail {

namespace {

constexpr std::uint32_t kFace = 0xFFD4D0C8u;
constexpr std::uint32_t kShadow = 0xFF808080u;
constexpr std::uint32_t kDark = 0xFF404040u;
constexpr std::uint32_t kLight = 0xFFFFFFFFu;
constexpr std::uint32_t kSelection = 0xFF0A246Au;
constexpr std::uint32_t kText = 0x000000u;
constexpr std::uint32_t kSelectedText = 0xFFFFFFu;
constexpr std::uint32_t kGreyText = 0x808080u;

// A painted picture and its copy in a texture of the context it was last drawn with (uploaded
// again only when the picture changes), so a frame draws one textured quad per picture.
struct Picture {
  std::string key;
  Surface surface;
  GLuint texture = 0;
  HGLRC context = 0;      // the context the texture belongs to
  bool uploaded = false;  // the texture holds the current picture
};
std::map<HWND, Picture> g_bars;  // by window
std::vector<Picture> g_popups;   // by open level

std::string Utf8(const std::string& cp1252) { return Cp1252ToUtf8(cp1252.c_str()); }

void Resize(Surface& s, std::int32_t w, std::int32_t h) {
  s.width = w;
  s.height = h;
  s.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
}

// The item's label with its mnemonic underlined, in [x, right) and rows [y0, y1).
void Label(Surface& s, const std::string& text, std::int32_t x, std::int32_t right, std::int32_t y0,
           std::int32_t y1, std::uint32_t rgb) {
  std::int32_t at = -1;
  const std::string label = MenuLabel(text, &at);
  DrawSurfaceText(s, Utf8(label), x, right, y0, y1, rgb);
  if (at < 0) return;
  const std::int32_t ux = x + SurfaceTextWidth(Utf8(label.substr(0, at)));
  const std::int32_t uw = std::max(1, SurfaceTextWidth(Utf8(label.substr(at, 1))));
  const std::int32_t uy = y0 + (y1 - y0 + SurfaceTextHeight()) / 2 - 1;
  FillSurface(s, ux, uy, std::min(right, ux + uw), uy + 1, 0xFF000000u | rgb);
}

void CheckMark(Surface& s, std::int32_t x, std::int32_t y, std::uint32_t colour) {
  // A tick 7 pixels wide, 2 thick.
  static constexpr std::int32_t kDy[7] = {2, 3, 4, 3, 2, 1, 0};
  for (std::int32_t i = 0; i < 7; ++i)
    FillSurface(s, x + i, y + kDy[i], x + i + 1, y + kDy[i] + 3, colour);
}

void Arrow(Surface& s, std::int32_t x, std::int32_t y, std::uint32_t colour) {
  for (std::int32_t i = 0; i < 4; ++i) FillSurface(s, x + i, y + i, x + i + 1, y + 7 - i, colour);
}

void PaintBar(Surface& s, const Menu& bar, std::int32_t hot) {
  FillSurface(s, 0, 0, s.width, s.height, kFace);
  const auto layout = BarLayout(bar);
  for (std::size_t i = 0; i < bar.items.size(); ++i) {
    const MenuItem& item = bar.items[i];
    const bool selected = static_cast<std::int32_t>(i) == hot;
    if (selected) FillSurface(s, layout[i].first, 1, layout[i].second, s.height - 1, kSelection);
    const std::uint32_t rgb = selected                                        ? kSelectedText
                              : (item.flags & (MF_GRAYED | MF_DISABLED)) != 0 ? kGreyText
                                                                              : kText;
    Label(s, item.text, layout[i].first + kBarItemPadding, layout[i].second, 0, s.height, rgb);
  }
}

void PaintPopup(Surface& s, const Menu& m, std::int32_t hot) {
  FillSurface(s, 0, 0, s.width, s.height, kFace);
  // A raised edge: light on the top and left, shadow and dark on the bottom and right.
  FillSurface(s, 0, 0, s.width, 1, kLight);
  FillSurface(s, 0, 0, 1, s.height, kLight);
  FillSurface(s, 0, s.height - 1, s.width, s.height, kDark);
  FillSurface(s, s.width - 1, 0, s.width, s.height, kDark);
  FillSurface(s, 1, s.height - 2, s.width - 1, s.height - 1, kShadow);
  FillSurface(s, s.width - 2, 1, s.width - 1, s.height - 1, kShadow);
  std::vector<std::int32_t> tops;
  std::int32_t w = 0, h = 0;
  PopupLayout(m, &w, &h, &tops);
  for (std::size_t i = 0; i < m.items.size(); ++i) {
    const MenuItem& item = m.items[i];
    const std::int32_t y = tops[i];
    if ((item.flags & MF_SEPARATOR) != 0) {
      const std::int32_t mid = y + kMenuSeparatorHeight / 2 - 1;
      FillSurface(s, kMenuBorder, mid, s.width - kMenuBorder, mid + 1, kShadow);
      FillSurface(s, kMenuBorder, mid + 1, s.width - kMenuBorder, mid + 2, kLight);
      continue;
    }
    const bool selected = static_cast<std::int32_t>(i) == hot;
    if (selected) {
      FillSurface(s, kMenuBorder, y, s.width - kMenuBorder, y + kMenuItemHeight, kSelection);
    }
    const bool grey = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
    const std::uint32_t rgb = selected ? kSelectedText : grey ? kGreyText : kText;
    if ((item.flags & MF_CHECKED) != 0) CheckMark(s, 8, y + 6, 0xFF000000u | rgb);
    if ((item.flags & MF_POPUP) != 0) Arrow(s, s.width - 14, y + 6, 0xFF000000u | rgb);
    Label(s, item.text, kMenuTextLeft, s.width - kMenuTextRight + 8, y, y + kMenuItemHeight, rgb);
  }
}

// Draws the picture with its top-left corner at (x, y) of the overlay (y grows downwards).
void DrawPicture(Picture& p, std::int32_t x, std::int32_t y, std::int32_t sh) {
  const HGLRC rc = S().currentRC;
  if (p.context != rc || p.texture == 0) {
    // A texture of another context (perhaps deleted since) is not ours to free here.
    glGenTextures(1, &p.texture);
    p.context = rc;
    p.uploaded = false;
  }
  glBindTexture(GL_TEXTURE_2D, p.texture);
  if (!p.uploaded) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, p.surface.width, p.surface.height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, p.surface.pixels.data());
    p.uploaded = true;
  }
  const float x0 = static_cast<float>(x), x1 = static_cast<float>(x + p.surface.width);
  const float y0 = static_cast<float>(sh - y), y1 = static_cast<float>(sh - y - p.surface.height);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x0, y0);
  glTexCoord2f(1, 0);
  glVertex2f(x1, y0);
  glTexCoord2f(1, 1);
  glVertex2f(x1, y1);
  glTexCoord2f(0, 1);
  glVertex2f(x0, y1);
  glEnd();
}

// Texturing on unit 0 with the texel as it is, every other unit and generator off.
void BeginPictures() {
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_COLOR_MATERIAL);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

void EndPictures() {
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

std::string KeyOf(const Menu& m, std::int32_t hot, std::int32_t width) {
  std::string key = std::to_string(width) + "|" + std::to_string(hot);
  for (const MenuItem& item : m.items) key += "|" + std::to_string(item.flags) + ":" + item.text;
  return key;
}

}  // namespace

// =============================================================================================
// Layout
// =============================================================================================
std::string MenuLabel(const std::string& text, std::int32_t* mnemonic) {
  std::string out;
  std::int32_t at = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && at < 0) at = static_cast<std::int32_t>(out.size());
    }
    out += text[i];
  }
  if (mnemonic != nullptr) *mnemonic = at;
  return out;
}

std::int32_t MenuTextWidth(const std::string& text) {
  return SurfaceTextWidth(Utf8(MenuLabel(text, nullptr)));
}

std::vector<std::pair<std::int32_t, std::int32_t>> BarLayout(const Menu& bar) {
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  std::int32_t x = 2;
  for (const MenuItem& item : bar.items) {
    const std::int32_t w = MenuTextWidth(item.text) + 2 * kBarItemPadding;
    out.emplace_back(x, x + w);
    x += w;
  }
  return out;
}

void PopupLayout(const Menu& popup, std::int32_t* width, std::int32_t* height,
                 std::vector<std::int32_t>* tops) {
  std::int32_t y = kMenuBorder, textWidth = 0;
  if (tops != nullptr) tops->clear();
  for (const MenuItem& item : popup.items) {
    if (tops != nullptr) tops->push_back(y);
    if ((item.flags & MF_SEPARATOR) != 0) {
      y += kMenuSeparatorHeight;
    } else {
      y += kMenuItemHeight;
      textWidth = std::max(textWidth, MenuTextWidth(item.text));
    }
  }
  *width = std::max(100, kMenuTextLeft + textWidth + kMenuTextRight + kMenuBorder);
  *height = y + kMenuBorder;
}

// =============================================================================================
// On the frame
// =============================================================================================
void ComposeMenus(Window* top) {
  if (top == nullptr) return;
  const MenuView& view = OpenMenus();
  const bool open = view.window == top->self;
  Menu* bar = top->menuBar > 0 ? Find<Menu>(top->menu) : nullptr;
  if (bar == nullptr && !open) return;
  const std::int32_t sw = top->clientWidth(), sh = top->surfaceHeight();
  if (sw <= 0 || sh <= 0) return;
  BeginOverlay(sw, sh);
  BeginPictures();
  if (bar != nullptr) {
    Picture& p = g_bars[top->self];
    const std::int32_t hot = open ? view.barHot : -1;
    const std::string key = KeyOf(*bar, hot, sw);
    if (p.key != key || p.surface.width != sw || p.surface.height != top->menuBar) {
      p.key = key;
      Resize(p.surface, sw, top->menuBar);
      PaintBar(p.surface, *bar, hot);
      p.uploaded = false;
    }
    DrawPicture(p, 0, 0, sh);
  }
  if (open) {
    if (g_popups.size() < view.popups.size()) g_popups.resize(view.popups.size());
    for (std::size_t i = 0; i < view.popups.size(); ++i) {
      const OpenPopup& o = view.popups[i];
      Menu* m = Find<Menu>(o.menu);
      if (m == nullptr) continue;
      const std::int32_t w = o.place.right - o.place.left, h = o.place.bottom - o.place.top;
      Picture& p = g_popups[i];
      const std::string key = std::to_string(o.menu) + "/" + KeyOf(*m, o.hot, w);
      if (p.key != key || p.surface.width != w || p.surface.height != h) {
        p.key = key;
        Resize(p.surface, w, h);
        PaintPopup(p.surface, *m, o.hot);
        p.uploaded = false;
      }
      DrawPicture(p, o.place.left, o.place.top, sh);
    }
  }
  EndPictures();
  EndOverlay();
}

FrameCopy CopyFrame(Window* top) {
  FrameCopy f;
  if (top == nullptr) return f;
  f.width = top->clientWidth();
  f.height = top->surfaceHeight();
  if (f.width <= 0 || f.height <= 0) return FrameCopy{};
  f.pixels.resize(static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height));
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, f.width, f.height, GL_BGRA, GL_UNSIGNED_BYTE, f.pixels.data());
  glPopClientAttrib();
  return f;
}

void RestoreFrame(Window* top, const FrameCopy& frame) {
  if (top == nullptr || frame.pixels.empty()) return;
  if (frame.width != top->clientWidth() || frame.height != top->surfaceHeight()) return;
  BeginOverlay(frame.width, frame.height);
  glDisable(GL_ALPHA_TEST);  // every pixel of the frame, whatever its alpha
  glRasterPos2i(0, 0);
  glDrawPixels(frame.width, frame.height, GL_BGRA, GL_UNSIGNED_BYTE, frame.pixels.data());
  EndOverlay();
}

void ForgetMenuPictures(HWND hwnd) { g_bars.erase(hwnd); }

void ResetMenuPictures() {
  // The textures went with their contexts (the platform is shutting down).
  g_bars.clear();
  g_popups.clear();
}

}  // namespace brevra::platform::detail
