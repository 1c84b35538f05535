#pragma once
// Text entry: a text label whose text the keyboard changes, with a blinking one-pixel caret.
// The caret is a picture in the text edit's parent (so that the parent draws it over the text);
// the blinking runs on a timer of the main window.

#include <cstdint>
#include <string>

#include "framework/controls/picture.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

class IMTextEdit : public IMStaticPictureBase<IMTextView> {
 public:
  using Caret = IMStaticPictureBase<IMTextureView>;

  static constexpr std::uint32_t kBlinkIntervalMs = 500;

  explicit IMTextEdit(IMDialog* parent);
  ~IMTextEdit() override;

  // Connected to the own KeySignal: every keyboard message the text edit receives.
  virtual long OnKey(const IMKeyboardEvent& e);

  // Clamped to [0, character count]; places the caret.
  void SetCaretPosition(int position);
  int GetCaretPosition() const { return caretPosition_; }
  // Sizes the caret to the character beside it and stands it at that character's right edge.
  long Relayout();
  // The blink timer's handler: toggles the caret while the text edit has the focus.
  long BlinkCaret();
  // The caret position minus the start of its line.
  int GetCaretColumn() const;
  // The text a character message inserts on its own: one character, or nothing for a control
  // character (Backspace, Tab, Enter, Esc, Ctrl+letter, Ctrl+Backspace), for half of a surrogate
  // pair and for anything that is not WM_CHAR.
  static std::wstring CharToText(const IMKeyboardEvent& e);

  Caret* GetCaret() const { return caret_; }
  std::uint32_t GetBlinkTimerId() const { return blinkTimerId_; }

  // One column serves every text edit of the run: Up and Down keep to it.
  static int RememberedColumn() { return rememberedColumn_; }
  static bool IsColumnRemembered() { return columnRemembered_; }
  // Back to the start of a run (the column not yet set); for tests.
  static void ForgetRememberedColumn() { columnRemembered_ = false; rememberedColumn_ = 0; }

 private:
  long OnChange(const IMEvent&) { return Relayout(); }
  // The text a character message completes: the first half of a surrogate pair waits for the
  // second, and a half without its partner is dropped.
  std::wstring TakeCharacter(const IMKeyboardEvent& e);
  // The height of a blank in the current format, for the caret of an empty text.
  int BlankHeight() const;

  int caretPosition_ = 0;
  std::uint32_t blinkTimerId_ = 0;
  Caret* caret_ = nullptr;
  std::uint32_t pendingHighSurrogate_ = 0;

  static int rememberedColumn_;
  static bool columnRemembered_;
};
