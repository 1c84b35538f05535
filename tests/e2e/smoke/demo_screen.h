#pragma once
// A plain screen of skin pictures, a label and buttons for the window smoke test.

class IMWindow;

// Button positions the window smoke test points at.
constexpr int kDemoStartButtonX = 100;
constexpr int kDemoStartButtonY = 100;

void BuildDemoScreen(IMWindow* window);
