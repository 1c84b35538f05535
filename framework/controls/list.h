#pragma once
// A framed list of text lines from which the user picks one with the mouse; the picked line is
// underlaid with a translucent selection picture. The list draws nothing itself: its pieces
// are dialogs and pictures in its own parent, and it keeps pointers to them.

#include <string>
#include <vector>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

class IMList : public IMViewControl<IMEmptyView> {
 public:
  using Item = IMStaticPictureBase<IMTextView>;
  using Picture = IMStaticPictureBase<IMTextureView>;

  explicit IMList(IMDialog* parent);

  // The list and all its pieces; the caller sizes and places it through its view part.
  void SetRect(const RECT& r) override;

  // A line under the last one, in the default style in black.
  Item* AddItem(const std::wstring& text);
  // Null clears the selection.
  void Select(Item* item);
  // Connected to each line's ClickSignal.
  long SelectItem(const IMMouseEvent& e);

  Item* GetSelected() const { return selected_; }
  const std::vector<Item*>& GetItems() const { return items_; }
  IMDialog* GetOuterDialog() const { return outer_; }
  IMDialog* GetItemsDialog() const { return itemsDialog_; }
  Picture* GetSelection() const { return selection_; }

 private:
  IMDialog* outer_ = nullptr;
  IMDialog* itemsDialog_ = nullptr;
  Picture* background_ = nullptr;
  Picture* edgeTop_ = nullptr;
  Picture* edgeBottom_ = nullptr;
  Picture* edgeLeft_ = nullptr;
  Picture* edgeRight_ = nullptr;
  Picture* selection_ = nullptr;
  std::vector<Item*> items_;
  Item* selected_ = nullptr;
};
