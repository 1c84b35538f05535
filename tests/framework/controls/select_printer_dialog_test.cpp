#include "framework/controls/select_printer_dialog.h"

#include <gtest/gtest.h>

#include <boost/bind/bind.hpp>
#include <optional>
#include <string>
#include <vector>

#include "widget_fixture.h"

namespace {

using platform::headless::Printer;
using widgets_test::Str;

// The caller's print operation: the shell binds the dialog's CreatePrinterDC as its argument.
// A context is told by its page width, which differs per printer here; 0 stands for null.
struct PrintAction {
  long Print(platform::HDC dc) {
    widths.push_back(platform::GetDeviceCaps(dc, platform::HORZRES));
    platform::DeleteDC(dc);
    return 0;
  }
  std::vector<int> widths;
};

class SelectPrinterDialogTest : public widgets_test::WidgetTest {
 protected:
  SelectPrinterDialogTest() { window->AddPicture(0, 0, L"DefaultBackGround", -1, 0xFFFFFFFF); }
  ~SelectPrinterDialogTest() override { platform::headless::ResetPrinting(); }

  // The printers are read when the dialog is built.
  void Open(std::vector<Printer> printers, std::wstring defaultName) {
    platform::headless::SetPrinters(std::move(printers), std::move(defaultName));
    dialog = new IMSelectPrinterDialog(window.get());
    // The standard dialogs' protocol: the first handler asks for the context at the click, the
    // second closes the dialog.
    dialog->ConnectOnConfirm(IMControl::MouseSignal::slot_type(
        boost::bind(&PrintAction::Print, &action, boost::bind(&IMSelectPrinterDialog::CreatePrinterDC, dialog))));
    dialog->ConnectOnConfirm(IMControl::MouseSignal::slot_type(boost::bind(&IMControl::Close, dialog)));
  }
  void Open3() {
    Open({{L"Принтер в классе", 1000}, {L"Учительская", 2000}, {L"PDF", 3000}}, L"Учительская");
  }

  // The middle of a child of the dialog, in the window's coordinates.
  static POINT Centre(const RECT& r) {
    return {IMSelectPrinterDialog::kRect.left + (r.left + r.right) / 2,
            IMSelectPrinterDialog::kRect.top + (r.top + r.bottom) / 2};
  }
  void ClickButton(IMControl* button) {
    const POINT p = Centre(button->GetRect());
    Click(p.x, p.y);
  }
  // Lines lie in the items dialog, one pixel inside the list.
  void ClickLine(int index) {
    const RECT r = dialog->GetList()->GetItems()[index]->GetRect();
    const RECT list = dialog->GetList()->GetRect();
    Click(IMSelectPrinterDialog::kRect.left + list.left + 1 + 10,
          IMSelectPrinterDialog::kRect.top + list.top + 1 + (r.top + r.bottom) / 2);
  }
  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> lines;
    for (const IMList::Item* item : dialog->GetList()->GetItems()) lines.push_back(item->GetText());
    return lines;
  }
  std::optional<int> SelectedIndex() const {
    const auto& items = dialog->GetList()->GetItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == dialog->GetList()->GetSelected()) return static_cast<int>(i);
    }
    return std::nullopt;
  }

  IMSelectPrinterDialog* dialog = nullptr;
  PrintAction action;
};

TEST_F(SelectPrinterDialogTest, ListsThePrintersWithTheDefaultSelectedAndAClickChoosesAnother) {
  Open3();
  EXPECT_EQ(Str(dialog->GetRect()), "{220, 125, 580, 375}");
  EXPECT_EQ(Str(dialog->GetList()->GetRect()), "{30, 58, 330, 158}");
  EXPECT_EQ(dialog->GetConfirmButton()->GetRect().left, 30);
  EXPECT_EQ(dialog->GetConfirmButton()->GetRect().top, 179);
  EXPECT_EQ(dialog->GetCloseButton()->GetRect().left, 221);
  EXPECT_EQ(dialog->GetCloseButton()->GetRect().top, 179);
  EXPECT_TRUE(dialog->HasChild(dialog->GetList()));
  EXPECT_TRUE(dialog->HasChild(dialog->GetList()->GetOuterDialog()));

  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Принтер в классе", L"Учительская", L"PDF"}));
  EXPECT_EQ(SelectedIndex(), 1);
  const RECT second = dialog->GetList()->GetItems()[1]->GetRect();
  EXPECT_FALSE(dialog->GetList()->GetSelection()->IsHidden());
  EXPECT_EQ(dialog->GetList()->GetSelection()->GetRect().top, second.top);

  ClickLine(2);
  EXPECT_EQ(SelectedIndex(), 2);
  ClickLine(0);
  EXPECT_EQ(SelectedIndex(), 0);
  // Choosing is not confirming.
  EXPECT_TRUE(action.widths.empty());
  EXPECT_FALSE(window->IsPendingDeletion(dialog));
}

TEST_F(SelectPrinterDialogTest, ConfirmHandsTheChosenPrintersContextThenCloses) {
  Open3();
  ClickLine(2);
  ClickButton(dialog->GetConfirmButton());
  EXPECT_EQ(action.widths, std::vector<int>{3000});
  EXPECT_TRUE(window->IsPendingDeletion(dialog));
  Idle();
  EXPECT_FALSE(window->HasChild(dialog));
}

TEST_F(SelectPrinterDialogTest, WithoutPrintersConfirmHandsNull) {
  Open({}, L"");
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(dialog->GetList()->GetSelected(), nullptr);
  ClickButton(dialog->GetConfirmButton());
  EXPECT_EQ(action.widths, std::vector<int>{0});
  EXPECT_TRUE(window->IsPendingDeletion(dialog));
}

TEST_F(SelectPrinterDialogTest, WithoutADefaultNothingIsPreselected) {
  Open({{L"Принтер в классе", 1000}, {L"PDF", 3000}}, L"");
  EXPECT_EQ(dialog->GetList()->GetSelected(), nullptr);
  EXPECT_TRUE(dialog->GetList()->GetSelection()->IsHidden());
  EXPECT_EQ(dialog->CreatePrinterDC(), nullptr);
}

TEST_F(SelectPrinterDialogTest, TheDefaultIsTheDeviceEntrysFirstFieldEvenWhenEmpty) {
  // The entry ",PDF,winspool,headless:" has an empty first field: no default, and above all
  // not the printer "PDF" that skipping the comma would find.
  Open({{L"PDF", 1000}, {L",PDF", 2000}}, L",PDF");
  EXPECT_EQ(SelectedIndex(), std::nullopt);
}

TEST_F(SelectPrinterDialogTest, ALongDefaultNameIsMatchedWholeNotByItsBeginning) {
  // Longer than the 80-character first reading of the device entry.
  const std::wstring longName = std::wstring(79, L'Ж') + L" цветной";
  Open({{std::wstring(79, L'Ж'), 1000}, {longName, 2000}}, longName);
  EXPECT_EQ(SelectedIndex(), 1);
}

TEST_F(SelectPrinterDialogTest, CloseButtonOnlyCloses) {
  Open3();
  ClickButton(dialog->GetCloseButton());
  EXPECT_TRUE(action.widths.empty());
  EXPECT_TRUE(window->IsPendingDeletion(dialog));
  Idle();
  EXPECT_FALSE(window->HasChild(dialog));
}

TEST_F(SelectPrinterDialogTest, GoldenDialogWithThreePrinters) {
  Open3();
  EXPECT_EQ(Golden(Frame(), "select_printer_dialog"), "");
  // Where and how the save-as dialog says its confirm failed: between the entry and the buttons.
  dialog->ShowFailure(L"Не удалось напечатать");
  EXPECT_EQ(Golden(Frame(), "select_printer_dialog_failed"), "");
}

}  // namespace
