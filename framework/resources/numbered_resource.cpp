#include "framework/resources/numbered_resource.h"

#include "media/embedded.h"

// Only the program's embedded resources so far; the companion "Animations.dll" is searched
// once the platform reads resource modules.
std::span<const unsigned char> FindNumberedResource(WORD id) { return media::FindResource(id); }
