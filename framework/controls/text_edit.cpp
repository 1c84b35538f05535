#include "framework/controls/text_edit.h"

#include <algorithm>
#include <vector>

#include <boost/bind/bind.hpp>

#include "framework/controls/dialog.h"
#include "framework/platform/utf.h"
#include "framework/resources/resource_manager.h"
#include "framework/window/window.h"

int IMTextEdit::rememberedColumn_ = 0;
bool IMTextEdit::columnRemembered_ = false;

namespace {

constexpr WPARAM kBackspace = 8;
constexpr WPARAM kDeleteCharacter = 0x7F;  // Ctrl+Backspace

// The index of the last line start that is not greater than the position.
int LineOf(const std::vector<int>& starts, int position) {
  int line = 0;
  for (int i = 0; i < static_cast<int>(starts.size()); ++i) {
    if (starts[static_cast<std::size_t>(i)] <= position) line = i;
  }
  return line;
}

}  // namespace

IMTextEdit::IMTextEdit(IMDialog* parent) : IMStaticPictureBase<IMTextView>(parent, 0) {
  using boost::placeholders::_1;
  focusable_ = true;
  // The first handler of the key signal: handlers connected later (the edit bar's scrolling)
  // see the caret already moved.
  KeySignal.connect(KeyboardSignal::slot_type(boost::bind(&IMTextEdit::OnKey, this, _1)));

  caret_ = new Caret(parent, 0);
  // On its view only: the caret's rectangle stays empty until Relayout sizes it.
  caret_->SetTexture(L"EditBarKaretka");
  if (parent) parent->BringToFront(caret_);
  caret_->Hide();

  FocusSignal.connect(EventSignal::slot_type(boost::bind(&IMControl::Show, caret_)));
  KillFocusSignal.connect(EventSignal::slot_type(boost::bind(&IMControl::Hide, caret_)));
  ChangeSignal.connect(EventSignal::slot_type(boost::bind(&IMTextEdit::OnChange, this, _1)));

  if (IMWindow* window = IMWindow::Instance()) {
    blinkTimerId_ = window->AddTimer(kBlinkIntervalMs);
    // Tracked: the connection ends with the text edit.
    window->ConnectTimer(blinkTimerId_, IMTimers::TimerSignal::slot_type(boost::bind(&IMTextEdit::BlinkCaret, this)));
  }
}

IMTextEdit::~IMTextEdit() {
  // Nothing relies on the timer staying, and a dead text edit's timer would only fire into
  // an empty signal for the rest of the run.
  if (IMWindow* window = IMWindow::Instance(); window && blinkTimerId_ != 0) window->RemoveTimer(blinkTimerId_);
}

std::wstring IMTextEdit::CharToText(const IMKeyboardEvent& e) {
  if (!e.IsMessage(WM_CHAR)) return {};
  const WPARAM unit = e.wParam;
  // Control characters only edit (Backspace) or do nothing; they would show as empty boxes. A
  // lone surrogate is no character, and a message carries one UTF-16 unit, never more.
  if (unit < 0x20 || unit == kDeleteCharacter || unit > 0xFFFF || platform::IsHighSurrogate(unit) ||
      platform::IsLowSurrogate(unit)) {
    return {};
  }
  return std::wstring(1, static_cast<wchar_t>(unit));
}

std::wstring IMTextEdit::TakeCharacter(const IMKeyboardEvent& e) {
  const std::uint32_t high = pendingHighSurrogate_;
  pendingHighSurrogate_ = 0;
  const WPARAM unit = e.wParam;
  if (platform::IsHighSurrogate(unit)) {
    pendingHighSurrogate_ = unit;
    return {};
  }
  if (platform::IsLowSurrogate(unit)) {
    return high != 0 ? std::wstring(1, platform::CombineSurrogates(high, unit)) : std::wstring();
  }
  return CharToText(e);
}

long IMTextEdit::OnKey(const IMKeyboardEvent& e) {
  if (e.IsMessage(WM_CHAR)) {
    const std::wstring s = TakeCharacter(e);
    if (e.wParam == kBackspace) {
      if (caretPosition_ > 0) {
        EraseText(caretPosition_ - 1, 1);
        SetCaretPosition(caretPosition_ - 1);
      }
    } else if (!s.empty()) {
      InsertText(caretPosition_, s);
      SetCaretPosition(caretPosition_ + 1);
    }
  }

  if (!columnRemembered_) {
    rememberedColumn_ = GetCaretColumn();
    columnRemembered_ = true;
  }

  const std::vector<int> starts = GetLineStarts();
  const int lines = static_cast<int>(starts.size());
  const int count = GetCharCount();
  auto start = [&](int i) { return starts[static_cast<std::size_t>(i)]; };

  if (e.IsMessage(WM_KEYDOWN)) {
    switch (e.wParam) {
      case VK_LEFT:
        caret_->Show();
        SetCaretPosition(caretPosition_ - 1);
        rememberedColumn_ = GetCaretColumn();
        break;
      case VK_RIGHT:
        caret_->Show();
        SetCaretPosition(caretPosition_ + 1);
        rememberedColumn_ = GetCaretColumn();
        break;
      case VK_UP: {
        caret_->Show();
        const int i = LineOf(starts, caretPosition_);
        if (lines == 1 || i == 0) break;
        int target = start(i - 1) + rememberedColumn_;
        // Never the start of the caret's own line.
        if (target >= start(i)) target = start(i) - 1;
        SetCaretPosition(target);
        break;
      }
      case VK_DOWN: {
        caret_->Show();
        const int i = LineOf(starts, caretPosition_);
        if (lines == 1 || i >= lines - 1) break;
        int target = start(i + 1) + rememberedColumn_;
        // On the last line never after the last character; elsewhere the start of the line
        // after next may be reached.
        if (target > count - 1) {
          target = count - 1;
        } else if (i + 2 < lines && target > start(i + 2)) {
          target = start(i + 2) - 1;
        }
        SetCaretPosition(target);
        break;
      }
      case VK_DELETE:
        if (caretPosition_ < count) EraseText(caretPosition_, 1);
        break;
      default:
        break;
    }
  }

  // Whatever the message: the caret is placed again and the parent re-decides its hover.
  SetChanged(true);
  return 0;
}

void IMTextEdit::SetCaretPosition(int position) {
  caretPosition_ = std::clamp(position, 0, GetCharCount());
  Relayout();
}

int IMTextEdit::GetCaretColumn() const {
  const std::vector<int> starts = GetLineStarts();
  if (starts.empty()) return caretPosition_;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    if (starts[i] > caretPosition_) return caretPosition_ - (i > 0 ? starts[i - 1] : 0);
  }
  return caretPosition_ - starts.back();
}

int IMTextEdit::BlankHeight() const {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return GetFontSize();
  const std::uint32_t id = rm->CreateTextTexture(L"TempSpaceBar", L" ", nullptr, GetColor(), GetFontSize(), GetFace(),
                                                 GetItalic(), GetBold(), GetUnderline(), GetBackColor());
  const IMTextureRecord* record = rm->GetTextureRecord(id);
  const int height = record ? record->imageRect.bottom - record->imageRect.top : GetFontSize();
  if (record) rm->ReleaseTexture(id);
  return height;
}

long IMTextEdit::Relayout() {
  if (!caret_) return 0;
  const int count = GetCharCount();
  // Between an erasure and the caret's step back the caret may stand one past the end; the
  // character rectangles out of range are empty, so nothing here reads past the text.
  int height = 0;
  if (count == 0) {
    height = BlankHeight();
  } else {
    const RECT c = GetCharRect(caretPosition_ == 0 ? 0 : caretPosition_ - 1);
    height = c.bottom - c.top;
  }
  caret_->SetSize(1, height);

  const RECT r = GetRect();
  if (count > 0) {
    const RECT c = GetCharRect(caretPosition_ - 1);  // empty at position 0
    caret_->SetPosition(r.left + c.right, r.top + c.top);
  } else {
    caret_->SetPosition(r.left, r.top);
  }
  return 0;
}

long IMTextEdit::BlinkCaret() {
  if (!IsFocused()) return 0;
  if (caret_->IsHidden()) {
    caret_->Show();
  } else {
    caret_->Hide();
  }
  return 0;
}
