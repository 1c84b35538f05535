#pragma once
// The animated mouse in the bottom-right corner of the screen that shows the pupil which mouse
// action to make; it clicks on the frames where the button goes down and removes itself at the
// end.

#include <string>
#include <vector>

#include "framework/controls/animation.h"
#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/sequence_view.h"
#include "framework/views/texture_view.h"
#include "framework/window/events.h"

// Frame signals the current hint has received: the index of the frame it shows. Shared by all
// hints; every ShowMouseHint starts it again.
extern int g_MouseHintFrameCounter;

// The mouse hint kinds.
constexpr int kMouseHintLeftClick = 1;
constexpr int kMouseHintWheelClick = 2;
constexpr int kMouseHintWheelTurn = 3;
constexpr int kMouseHintRightClick = 4;

// count 0 means 3 repetitions; period 0 means 20000 (1/60000 s, so 3 frames a second).
void ShowMouseHint(IMDialog* parent, int kind, int count, int period);

// The hint's end: closes both controls and gives back the pictures it registered (empty names
// are skipped).
long CloseMouseHint(IMAnimationBase<IMSequenceView>* animation, IMStaticPictureBase<IMTextureView>* picture,
                    const std::wstring& first, const std::wstring& second, const std::wstring& third,
                    const std::wstring& fourth);

// The hint's frame handler: starts the click sound afresh on the listed frames.
long OnMouseHintFrame(const std::vector<int>& clickFrames, unsigned soundId);
