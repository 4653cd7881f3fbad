// Projection set-up and the mouse camera: the 3D mode (viewport, 45 degree perspective, default
// render states), the 2D overlay mode (orthographic) and the transform that turns the camera
// values kept by the window procedure (Depth, XRot, YRot) into modelview translations and
// rotations.
//
// All three need the main window's rendering context current. While the client area is empty
// (a minimised window reports 0 x 0) both set-up routines leave viewport, projection and the 2D
// placement values as they were; the rest of their state is still set.
#pragma once

#include <cstdint>

#include "brevra/export.h"
#include "brevra/geometry/vertex.h"  // Required for: TGLVertex

namespace BREVRA_API brevra {

extern TGLVertex MY;  // the translation applied by the last SetGLMouseMove
extern float OffX;    // reference x for 2D placement (OpenGL_I2D)
extern float OffY;    // reference y for 2D placement (OpenGL_I2D)

// 3D mode: Depth is the far clipping distance (not the camera distance); the clear colour is
// given alpha first.
void OpenGL_Init(double Depth, double A, double R, double G, double B);
// 2D mode: x from -2 to 2, y scaled by the window's aspect; the clear colour alpha first.
void OpenGL_I2D(double A, double R, double G, double B);
// Stores the mouse speed and multiplies the camera onto the current matrix in arrangement XYZ:
//   0  translate (0, 0, -Depth), XRot about x, YRot about y
//   1  translate (0, -Depth, 0), XRot about x, YRot about z
//   2  translate (-Depth, 0, 0), XRot about -z, YRot about y
//   3  translate (0, 0, -Depth), XRot about y, YRot about x   (free-look)
// Any other arrangement only stores the speed.
void SetGLMouseMove(std::int32_t XYZ, std::int32_t Speed);

}  // namespace brevra
