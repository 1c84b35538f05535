#include "framework/controls/list.h"

#include <boost/bind/bind.hpp>

IMList::IMList(IMDialog* parent) : IMViewControl<IMEmptyView>(parent, 0) {
  outer_ = new IMDialog(parent, nullptr, 0);
  background_ = outer_->AddPicture(0, 0, L"EditBarBackGround", 0, 0xFFFFFFFF);
  itemsDialog_ = IMDialog::AddDialog(outer_, 0, 0, 0, 0, 0);
  edgeTop_ = outer_->AddPicture(0, 0, L"EditBarKaretka", 0, 0xFFFFFFFF);
  edgeBottom_ = outer_->AddPicture(0, 0, L"EditBarKaretka", 0, 0xFFFFFFFF);
  edgeLeft_ = outer_->AddPicture(0, 0, L"EditBarKaretka", 0, 0xFFFFFFFF);
  edgeRight_ = outer_->AddPicture(0, 0, L"EditBarKaretka", 0, 0xFFFFFFFF);
  selection_ = itemsDialog_->AddPicture(0, 0, L"SelectionMask", 0, 0xFFFFFFFF);
  selection_->Hide();
}

void IMList::SetRect(const RECT& r) {
  IMViewControl<IMEmptyView>::SetRect(r);
  // Built by the base constructor before any piece exists.
  if (!outer_) return;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  outer_->SetRect(r);
  itemsDialog_->SetRect(RECT{1, 1, w - 1, h - 1});
  background_->SetRect(RECT{1, 1, w - 1, h - 1});
  // The edges run the full length, corners included.
  auto place = [](Picture* edge, int x, int y, int cx, int cy) {
    edge->SetPosition(x, y);
    edge->SetSize(cx, cy);
  };
  place(edgeLeft_, 0, 0, 1, h);
  place(edgeTop_, 0, 0, w, 1);
  place(edgeBottom_, 0, h - 1, w, 1);
  place(edgeRight_, w - 1, 0, 1, h);
}

IMList::Item* IMList::AddItem(const std::wstring& text) {
  using boost::placeholders::_1;
  int y = 0;
  for (const Item* item : items_) y += item->GetHeight();
  Item* label = itemsDialog_->AddText(0, y, text, 0);
  label->SetColor(0xFF000000);
  label->ClickSignal.connect(MouseSignal::slot_type(boost::bind(&IMList::SelectItem, this, _1)));
  items_.push_back(label);
  return label;
}

void IMList::Select(Item* item) {
  selected_ = item;
  if (!item) {
    selection_->Hide();
    return;
  }
  selection_->Show();
  const RECT c = item->GetRect();
  selection_->SetRect(RECT{0, c.top, itemsDialog_->GetWidth(), c.bottom + 1});
}

long IMList::SelectItem(const IMMouseEvent& e) {
  // Only the lines' click signals are connected here.
  Select(static_cast<Item*>(e.sender));
  return 0;
}
