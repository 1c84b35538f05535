#include "framework/controls/dialog.h"

#include <algorithm>
#include <boost/bind/bind.hpp>

#include "framework/controls/button.h"
#include "framework/controls/picture.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

namespace {

RECT BackBufferRect() {
  const IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return RECT{0, 0, kDefaultBackBufferWidth, kDefaultBackBufferHeight};
  return RECT{0, 0, rm->GetBackBufferWidth(), rm->GetBackBufferHeight()};
}

// Counts a walk over a dialog's children for as long as it lasts.
class WalkGuard {
 public:
  explicit WalkGuard(int& depth) : depth_(depth) { ++depth_; }
  ~WalkGuard() { --depth_; }
  WalkGuard(const WalkGuard&) = delete;
  WalkGuard& operator=(const WalkGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

IMDialogBase<IMEmptyView>::IMDialogBase(IMDialog* parent, const RECT* rect, int layer)
    : IMViewControl<IMEmptyView>(parent, layer) {
  focusable_ = true;
  SetRect(rect ? *rect : BackBufferRect());
}

IMDialogBase<IMEmptyView>::~IMDialogBase() {
  walking_ = 0;
  DeleteQueued(false);
}

IMStaticPictureBase<IMTextureView>* IMDialogBase<IMEmptyView>::AddPicture(int x, int y, const std::wstring& name,
                                                                         int layer, DWORD argb) {
  auto* picture = new IMStaticPictureBase<IMTextureView>(this, layer);
  picture->SetPicture(name);
  picture->SetPosition(x, y);
  picture->tint = argb;
  picture->SetChanged(true);
  return picture;
}

IMStaticPictureBase<IMTextView>* IMDialogBase<IMEmptyView>::AddText(int x, int y, const std::wstring& text,
                                                                   int layer) {
  auto* label = new IMStaticPictureBase<IMTextView>(this, layer);
  label->SetText(text);
  label->SetRect(label->GetSourceRect());
  label->SetPosition(x, y);
  return label;
}

IMButtonBase<IMStateView>* IMDialogBase<IMEmptyView>::AddButton(int x, int y, const std::wstring& normal,
                                                                const std::wstring& disabled,
                                                                const std::wstring& hover,
                                                                const std::wstring& pressed, int layer) {
  auto* button = new IMButtonBase<IMStateView>(this, layer);
  button->SetStates(normal, disabled, hover, pressed);
  button->SetPosition(x, y);
  return button;
}

IMDialog* IMDialogBase<IMEmptyView>::AddDialog(IMDialog* parent, int x, int y, int width, int height, int layer) {
  RECT r{x, y, x + width, y + height};
  return new IMDialog(parent, &r, layer);
}

void IMDialogBase<IMEmptyView>::AddChild(IMDialog* dialog, IMControl* child, int layer) {
  if (dialog->IsDestroyed() || dialog->HasChild(child)) return;
  dialog->layers_[layer].push_back(child);
  using boost::placeholders::_1;
  child->FocusSignal.connect(IMControl::EventSignal::slot_type(boost::bind(&IMDialog::OnChildFocus, dialog, _1)));
  child->KillFocusSignal.connect(
      IMControl::EventSignal::slot_type(boost::bind(&IMDialog::OnChildFocus, dialog, _1)));
  dialog->SetChanged(true);
  // A dialog that is already closed would never close this child, leaking it with a
  // dangling parent: queue it so it is deleted together with the dialog.
  if (dialog->IsClosing()) RemoveChild(dialog, child);
}

void IMDialogBase<IMEmptyView>::RemoveChild(IMDialog* dialog, IMControl* child) {
  if (!dialog->HasChild(child) || dialog->IsPendingDeletion(child)) return;
  dialog->pending_.push_back(child);
  dialog->SetChanged(true);
}

void IMDialogBase<IMEmptyView>::BringToFront(IMControl* child) {
  for (auto it = layers_.begin(); it != layers_.end(); ++it) {
    auto& children = it->second;
    auto found = std::find(children.begin(), children.end(), child);
    if (found == children.end()) continue;
    if (it->first == 1) return;
    children.erase(found);
    if (children.empty()) layers_.erase(it);
    layers_[1].push_back(child);
    // It now lies over what covered it: the next frame draws it again.
    AddDamage(child->GetShownRect());
    return;
  }
}

int IMDialogBase<IMEmptyView>::GetChildLayer(const IMControl* child) const {
  for (const auto& [layer, children] : layers_) {
    if (std::find(children.begin(), children.end(), child) != children.end()) return layer;
  }
  return 0;
}

bool IMDialogBase<IMEmptyView>::HasChild(const IMControl* child) const {
  for (const auto& entry : layers_) {
    if (std::find(entry.second.begin(), entry.second.end(), child) != entry.second.end()) return true;
  }
  return false;
}

bool IMDialogBase<IMEmptyView>::IsPendingDeletion(const IMControl* child) const {
  return std::find(pending_.begin(), pending_.end(), child) != pending_.end();
}

bool IMDialogBase<IMEmptyView>::IsClosing() const {
  return closed_ || (parent_ && (parent_->IsPendingDeletion(this) || parent_->IsClosing()));
}

void IMDialogBase<IMEmptyView>::DeletePendingChildren() { DeleteQueued(true); }

void IMDialogBase<IMEmptyView>::DeleteQueued(bool decideHoverAgain) {
  if (walking_ > 0) return;
  bool lostHover = false;
  while (!pending_.empty()) {
    // Out of the queue first: the child's destructor may run code that looks at it.
    IMControl* child = pending_.back();
    pending_.pop_back();
    for (auto it = layers_.begin(); it != layers_.end(); ++it) {
      auto& children = it->second;
      auto found = std::find(children.begin(), children.end(), child);
      if (found == children.end()) continue;
      if (hoveredChild_ == child) {
        hoveredChild_ = nullptr;
        lostHover = true;
      }
      if (focusedChild_ == child) focusedChild_ = nullptr;
      children.erase(found);
      if (children.empty()) layers_.erase(it);
      break;
    }
    delete child;
  }
  // Whatever now lies under the still pointer takes the hover, so the wheel reaches it
  // without waiting for the next mouse move.
  if (lostHover && decideHoverAgain) DecideHover(0);
}

void IMDialogBase<IMEmptyView>::DecideHover(WPARAM keys) {
  UpdateHover(this, IMMouseEvent(this, WM_MOUSEMOVE, keys, lastMouse_.x, lastMouse_.y));
}

std::vector<IMControl*> IMDialogBase<IMEmptyView>::Snapshot() const {
  std::vector<IMControl*> all;
  for (const auto& entry : layers_) all.insert(all.end(), entry.second.begin(), entry.second.end());
  return all;
}

long IMDialogBase<IMEmptyView>::OnChildFocus(const IMEvent& e) {
  if (e.Is(IM_EVENT_SETFOCUS) && e.sender != focusedChild_) {
    SetFocus(true);
    if (focusedChild_) focusedChild_->SetFocus(false);
    focusedChild_ = e.sender;
  } else if (e.Is(IM_EVENT_KILLFOCUS) && e.sender == focusedChild_) {
    focusedChild_ = nullptr;
  }
  return 1;
}

void IMDialogBase<IMEmptyView>::UpdateHover(IMDialog* dialog, const IMMouseEvent& e) {
  IMControl* sender = e.sender;
  bool act = sender == dialog || sender->HitTest(e.x, e.y) ||
             (sender == dialog->hoveredChild_ && !sender->HitTest(e.x, e.y));
  if (!act) return;

  IMControl* found = nullptr;
  for (auto layer = dialog->layers_.rbegin(); layer != dialog->layers_.rend() && !found; ++layer) {
    const auto& children = layer->second;
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      if ((*child)->HitTest(e.x, e.y)) {
        found = *child;
        break;
      }
    }
  }

  IMControl* old = dialog->hoveredChild_;
  if (found && found != old) {
    dialog->hoveredChild_ = found;
    found->OnMouseEnter(IMMouseEvent(dialog, IM_EVENT_MOUSEENTER, e.wParam, e.x, e.y));
  }
  if (old && old != found) {
    dialog->hoveredChild_ = found;
    old->OnMouseLeave(IMMouseEvent(dialog, IM_EVENT_MOUSELEAVE, e.wParam, e.x, e.y));
  }
}

void IMDialogBase<IMEmptyView>::SetChanged(bool value) {
  changed = value;
  IMControl::SetChanged(value);
  if (value) return;
  WalkGuard guard(walking_);
  for (IMControl* child : Snapshot()) child->SetChanged(false);
}

bool IMDialogBase<IMEmptyView>::IsChanged() const {
  if (changed) return true;
  for (const auto& entry : layers_) {
    for (const IMControl* child : entry.second) {
      if (child->IsChanged()) return true;
    }
  }
  return false;
}

void IMDialogBase<IMEmptyView>::SetRect(const RECT& r) {
  if (EqualRect(r, rect)) return;
  // The pointer rests while the dialog moves, so it lies elsewhere in the dialog's coordinates,
  // and its children have moved under it.
  lastMouse_.x -= r.left - rect.left;
  lastMouse_.y -= r.top - rect.top;
  IMViewControl<IMEmptyView>::SetRect(r);
  if (hovered_) DecideHover(0);
}

long IMDialogBase<IMEmptyView>::OnMouseEnter(const IMMouseEvent& e) {
  IMControl::OnMouseEnter(e);
  // Entered without a move of its own (it appeared, moved or was uncovered under a resting
  // pointer): its children learn at once what lies under the pointer, so a click finds them.
  lastMouse_ = POINT{e.x - rect.left, e.y - rect.top};
  DecideHover(e.wParam);
  return 0;
}

long IMDialogBase<IMEmptyView>::OnMouseMove(const IMMouseEvent& e) {
  IMControl::OnMouseMove(e);
  lastMouse_ = POINT{e.x - rect.left, e.y - rect.top};
  IMMouseEvent local(this, e.message, e.wParam, lastMouse_.x, lastMouse_.y);
  UpdateHover(this, local);
  if (hoveredChild_) hoveredChild_->OnMouseMove(local);
  return 0;
}

long IMDialogBase<IMEmptyView>::OnMouseButton(const IMMouseEvent& e) {
  IMControl::OnMouseButton(e);
  if (!hoveredChild_) return 0;
  if (e.IsMessage(WM_LBUTTONDOWN) && hoveredChild_ != focusedChild_ && hoveredChild_->IsFocusable()) {
    IMControl* target = hoveredChild_;
    if (focusedChild_) focusedChild_->SetFocus(false);
    target->SetFocus(true);
  }
  if (hoveredChild_) {
    hoveredChild_->OnMouseButton(IMMouseEvent(this, e.message, e.wParam, e.x - rect.left, e.y - rect.top));
  }
  return 0;
}

long IMDialogBase<IMEmptyView>::OnMouseLeave(const IMMouseEvent& e) {
  IMControl::OnMouseLeave(e);
  if (hoveredChild_) {
    hoveredChild_->OnMouseLeave(e);
    hoveredChild_ = nullptr;
  }
  return 0;
}

long IMDialogBase<IMEmptyView>::OnKeyboard(const IMKeyboardEvent& e) {
  IMControl::OnKeyboard(e);
  if (focusedChild_) focusedChild_->OnKeyboard(e);
  return 0;
}

long IMDialogBase<IMEmptyView>::Draw(const IMEvent& e) {
  IMResourceManager* rm = IMResourceManager::Instance();
  platform::Device* device = rm ? rm->GetDevice() : nullptr;
  if (hidden_ || !device) {
    SetChanged(false);
    return 0;
  }
  platform::Viewport saved;
  device->GetViewport(&saved);
  const int ox = rm->drawOriginX;
  const int oy = rm->drawOriginY;
  RECT current{static_cast<int>(saved.X), static_cast<int>(saved.Y), static_cast<int>(saved.X + saved.Width),
               static_cast<int>(saved.Y + saved.Height)};
  RECT own{rect.left + ox, rect.top + oy, rect.right + ox, rect.bottom + oy};
  RECT clip;
  if (!IntersectRect(&clip, current, own)) {
    SetChanged(false);
    return 0;
  }
  device->SetViewport(platform::Viewport{static_cast<DWORD>(clip.left), static_cast<DWORD>(clip.top),
                                         static_cast<DWORD>(clip.right - clip.left),
                                         static_cast<DWORD>(clip.bottom - clip.top), 0.0f, 1.0f});
  rm->drawOriginX = ox + rect.left;
  rm->drawOriginY = oy + rect.top;
  {
    WalkGuard guard(walking_);
    for (IMControl* child : Snapshot()) {
      // A child wholly outside the clip (a frame that draws only what changed) would draw nothing.
      if (!IntersectsRect(OffsetRect(child->GetBounds(), rm->drawOriginX, rm->drawOriginY), clip)) continue;
      child->Draw(IMEvent(e.sender, e.message));
    }
  }
  rm->drawOriginX = ox;
  rm->drawOriginY = oy;
  device->SetViewport(saved);
  DrawView();
  SetChanged(false);
  IMFire(DrawSignal, IMEvent(this, IM_EVENT_DRAW));
  SetChanged(false);
  return 0;
}

void IMDialogBase<IMEmptyView>::CollectDamage(const RECT& clip, POINT origin, RECT* damage) {
  RECT now{};
  if (!hidden_) IntersectRect(&now, OffsetRect(rect, origin.x, origin.y), clip);
  if (changed || !EqualRect(now, shown_)) *damage = UnionRect(*damage, UnionRect(shown_, now));
  shown_ = now;
  // Children of a hidden dialog show nowhere: they learn it too, so that Show finds them anew.
  const POINT inner{origin.x + rect.left, origin.y + rect.top};
  for (const auto& entry : layers_) {
    for (IMControl* child : entry.second) child->CollectDamage(now, inner, damage);
  }
}

long IMDialogBase<IMEmptyView>::Update(const IMEvent& e) {
  DeletePendingChildren();
  OnUpdate();
  IMFire(UpdateSignal, IMEvent(this, IM_EVENT_UPDATE));
  {
    // Children added by these updates get their first one in the next pass.
    WalkGuard guard(walking_);
    for (IMControl* child : Snapshot()) child->Update(e);
  }
  DeletePendingChildren();
  return 0;
}

long IMDialogBase<IMEmptyView>::OnClose(const IMEvent& e) {
  closed_ = true;
  {
    WalkGuard guard(walking_);
    for (IMControl* child : Snapshot()) child->OnClose(IMEvent(e.sender, e.message));
  }
  return Destroy();
}

long IMDialogBase<IMEmptyView>::OnKillFocus(const IMEvent& e) {
  IMControl::OnKillFocus(e);
  focusedChild_ = nullptr;
  WalkGuard guard(walking_);
  for (IMControl* child : Snapshot()) child->OnKillFocus(e);
  return 0;
}
