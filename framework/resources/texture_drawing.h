#pragma once
// The four vertices of a picture's quad: top-left, top-right, bottom-right, bottom-left
// corners of the destination, moved by the drawing origin and by half a pixel so that the
// destination covers exactly its pixels, with texture coordinates normalised by the
// power-of-two texture size. A nonzero angle turns the corners clockwise about the centre.

#include <array>

#include "framework/platform/device.h"

std::array<platform::QuadVertex, 4> ComputeQuadVertices(const RECT& destination, const RECT& source,
                                                        std::uint32_t textureWidth, std::uint32_t textureHeight,
                                                        DWORD argb, float angle, int originX, int originY);
