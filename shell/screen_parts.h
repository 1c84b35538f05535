#pragma once
// What the course's screens share: the dark-blue labels, the skin's buttons with their hover
// and pressed pictures, and the header of every full screen (background and two captions).

#include <string>

#include "framework/controls/button.h"
#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/state_view.h"
#include "framework/views/text_view.h"

class IMWindow;

constexpr DWORD kScreenTextColour = 0xFF072134;

using IMScreenLabel = IMStaticPictureBase<IMTextView>;
using IMSkinButton = IMButtonBase<IMStateView>;

// A label in the screens' dark blue, as large as its text, at (x, top).
IMScreenLabel* AddScreenLabel(IMDialog* dialog, const std::wstring& text, int size, bool bold, int x, int top);
// The same, centred across the dialog.
IMScreenLabel* AddCentredLabel(IMDialog* dialog, const std::wstring& text, int size, bool bold, int top);
// A button of the skin picture `base`, with "<base>Nuv" for hover and "<base>Klick" for pressed.
IMSkinButton* AddSkinButton(IMDialog* dialog, int x, int y, const std::wstring& base);
// A dialog over the whole window with the header the information and results screens share.
IMDialog* NewScreen(IMWindow* window);
