#pragma once
// The bytes of a numbered picture or sound: the program's own numbered resources first.

#include <span>

#include "framework/platform/win_types.h"

// Empty when no module holds the number.
std::span<const unsigned char> FindNumberedResource(WORD id);
