// The demo's bush scene: what is built once before the frame loop and what is drawn each frame.
//
// OpenGL_CreateList loads the three pictures from the working directory ("Floor04.bmp",
// "corteccia02.bmp", "acacia.tga"), compiles the foliage clump (CHIOMA) and then the bush
// (CESPUGLIO), whose lists call the three callbacks below while they are recorded. OpenGL_Draw
// draws one frame: projection, fixed view, mouse camera, light, the white marker sphere, the
// floor and one list call for the bush. Both need the main window's rendering context current.
#pragma once

#include <cstdint>

namespace brevra {

// ---- the scene's display lists (0 until OpenGL_CreateList) ----
extern std::uint32_t CHIOMA;     // the foliage clump, set by the foliage generator
extern std::uint32_t CESPUGLIO;  // the bush, set by the tree generator

// ---- callbacks of the tree generator (their commands are recorded into the bush's lists) ----
void MatCespuglio();        // bark: binds BMP slot 1
void MatFoglieCespuglio();  // leaves: binds TGA slot 0
void ChiomaCespuglio();     // leaf model: calls the foliage list

// Loads the textures, then records CHIOMA and CESPUGLIO (foliage first: the bush's leaf list
// calls whatever CHIOMA holds when it is recorded, and both draw from the one random source).
void OpenGL_CreateList();

// Draws one frame into the back buffer; clears colour and depth first.
void OpenGL_Draw();

// One textured, two-sided quadrilateral P1..P4, emitted in the order P2, P1, P3, P4 with texture
// coordinates (1, 1), (0, 1), (0, 0), (1, 0) and the normal of (P2 - P1) x (P1 - P3). Face
// culling is off while it is drawn and back on afterwards.
void Quad(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3, float Z3,
          float X4, float Y4, float Z4);

// ---- the steps of the two routines above, public for tests ----
void OpenGL_Texture();   // the three texture loads
void OpenGL_Draw2D();    // re-applies the 2D then the 3D projection set-up; draws nothing
void OpenGL_Mouse2D();   // empty frame hook
void OpenGL_Keyboard();  // empty frame hook

}  // namespace brevra
