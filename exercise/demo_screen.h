#pragma once
// A plain screen of skin pictures and buttons, shown until the course's own screens exist.

class IMWindow;

// Button positions the window smoke test points at.
constexpr int kDemoStartButtonX = 100;
constexpr int kDemoStartButtonY = 100;

void BuildDemoScreen(IMWindow* window);
