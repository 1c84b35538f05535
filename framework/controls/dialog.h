#pragma once
// The container every screen, panel, standard dialog and the main window are built on.

#include <map>
#include <string>
#include <vector>

#include "framework/views/view.h"
#include "framework/views/view_control.h"

class IMTextureView;
class IMTextView;
class IMStateView;
template <class V>
class IMStaticPictureBase;
template <class V>
class IMButtonBase;
template <class V>
class IMDialogBase;

template <>
class IMDialogBase<IMEmptyView> : public IMViewControl<IMEmptyView> {
 public:
  // A null rect covers the whole back buffer.
  IMDialogBase(IMDialog* parent, const RECT* rect, int layer);
  ~IMDialogBase() override;

  // Builders: the new child belongs to this dialog; closing is its only teardown.
  IMStaticPictureBase<IMTextureView>* AddPicture(int x, int y, const std::wstring& name, int layer, DWORD argb);
  // A label in the default style (Arial 16, white), as large as its laid-out text.
  IMStaticPictureBase<IMTextView>* AddText(int x, int y, const std::wstring& text, int layer);
  IMButtonBase<IMStateView>* AddButton(int x, int y, const std::wstring& normal, const std::wstring& disabled,
                                       const std::wstring& hover, const std::wstring& pressed, int layer);
  static IMDialog* AddDialog(IMDialog* parent, int x, int y, int width, int height, int layer);

  static void AddChild(IMDialog* dialog, IMControl* child, int layer);
  static void RemoveChild(IMDialog* dialog, IMControl* child);
  static void UpdateHover(IMDialog* dialog, const IMMouseEvent& e);
  void BringToFront(IMControl* child);
  int GetChildLayer(const IMControl* child) const;
  void DeletePendingChildren();
  long OnChildFocus(const IMEvent& e);

  void SetChanged(bool value) override;
  bool IsChanged() const override;
  void SetRect(const RECT& r) override;
  long OnMouseMove(const IMMouseEvent& e) override;
  long OnMouseEnter(const IMMouseEvent& e) override;
  long OnMouseButton(const IMMouseEvent& e) override;
  long OnMouseLeave(const IMMouseEvent& e) override;
  long OnKeyboard(const IMKeyboardEvent& e) override;
  long Draw(const IMEvent& e) override;
  long Update(const IMEvent& e) override;
  long OnClose(const IMEvent& e) override;
  long OnKillFocus(const IMEvent& e) override;
  // Its own change (a child added or closed, a redraw asked for) takes in its whole rectangle.
  void CollectDamage(const RECT& clip, POINT origin, RECT* damage) override;
  using IMViewControl<IMEmptyView>::Draw;

  POINT GetLastMousePoint() const { return lastMouse_; }
  IMControl* GetHoveredChild() const { return hoveredChild_; }
  IMControl* GetFocusedChild() const { return focusedChild_; }
  bool HasChild(const IMControl* child) const;
  // The children in drawing order: by ascending layer, each layer in the order of adding.
  std::vector<IMControl*> GetChildren() const { return Snapshot(); }
  bool IsPendingDeletion(const IMControl* child) const;
  // Closed itself or inside a closed dialog: whatever is added now goes with it.
  bool IsClosing() const;

 protected:
  std::map<int, std::vector<IMControl*>> layers_;
  std::vector<IMControl*> pending_;
  IMControl* hoveredChild_ = nullptr;
  IMControl* focusedChild_ = nullptr;
  // Far outside any child until the pointer first enters, so early hover probes find nothing.
  POINT lastMouse_{-0x40000000, -0x40000000};

 private:
  // Children in drawing order, copied so handlers may add or close children mid-walk.
  std::vector<IMControl*> Snapshot() const;
  void DeleteQueued(bool decideHoverAgain);
  // The child under the last mouse point takes the hover, as if the pointer had moved there.
  void DecideHover(WPARAM keys);

  bool closed_ = false;
  // Deletion waits while a walk over the children is in progress.
  int walking_ = 0;
};
