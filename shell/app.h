#pragma once
// The course's application template: the one application object with the main window, the
// exercise's description, the pupil's name and workbook, and the registry of named exercise
// states that the state stepper runs one after another.

#include <boost/bind/bind.hpp>
#include <boost/function.hpp>
#include <boost/signals2/shared_connection_block.hpp>

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/controls/button.h"
#include "framework/controls/animation.h"
#include "framework/controls/dialog.h"
#include "framework/controls/edit_bar.h"
#include "framework/controls/save_as_dialog.h"
#include "framework/controls/scroll.h"
#include "framework/controls/select_printer_dialog.h"
#include "framework/platform/printing.h"
#include "framework/views/theora_view.h"
#include "media/embedded.h"
#include "framework/controls/picture.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"
#include "framework/platform/folders.h"
#include "framework/platform/platform.h"
#include "framework/window/window.h"
#include "framework/workbook/statistics_workbook.h"
#include "shell/handlers.h"
#include "shell/results_file.h"
#include "shell/start_time.h"

// True while the credits page is open.
inline bool g_CreditsOpen = false;

struct CreditsLine {
  int size;
  int top;
  const wchar_t* text;
};

// The course caption, the roles and the people behind them.
inline constexpr CreditsLine kCreditsLines[] = {
    {25, 18, L"Ламбридин"},         {21, 90, L"Авторы:"},
    {20, 110, L"Соколова А. В."},   {20, 130, L"Петров И. С."},
    {21, 170, L"Руководитель проекта:"}, {20, 190, L"Кузнецова Е. Н."},
    {21, 230, L"Программисты:"},    {20, 250, L"Волков Д. А."},
    {20, 270, L"Морозов П. К."},    {21, 310, L"Художник:"},
    {20, 330, L"Лебедева О. И."},   {21, 370, L"Дизайнер-аниматор:"},
    {20, 390, L"Новиков С. Г."},    {21, 430, L"Трёхмерная графика:"},
    {20, 450, L"Зайцева М. Р."},
};

template <class T>
class IMApp {
 public:
  using StateBuilder = boost::function<void(IMDialog*)>;

  // The application object; the first call makes it with the main window (a full-screen
  // 800x600 window unless windowed), every call counts one more user.
  static T* Instance(std::wstring caption, bool windowed) {
    if (!app_) {
      T* app = new T();
      app_ = app;
      app->window = IMWindow::Create(nullptr, caption, windowed);
      // The first key-down handlers of the program: they see every key on every screen.
      using boost::placeholders::_1;
      app->window->ConnectOnKeyDown(boost::bind(&IMApp::OnKeyF1, app, _1));
      app->window->ConnectOnKeyDown(boost::bind(&IMApp::OnKey, app, _1));
      app->window->ConnectOnKeyDown(boost::bind(&IMApp::OnKeyCredits, app, _1));
      app->caption = caption;
      app->Init();
      platform::SeedRand(static_cast<unsigned>(std::time(nullptr)));
    }
    ++useCount_;
    return static_cast<T*>(app_);
  }

  // One user fewer; the last takes down the main window, then the workbook, then the
  // application. The workbook is not saved here.
  static void Release() {
    if (--useCount_ > 0 || !app_) return;
    IMApp* app = app_;
    delete app->window;
    app->window = nullptr;
    delete app->workbook;
    app->workbook = nullptr;
    for (IMStatisticsWorkbook* book : app->unsavedBooks_) delete book;
    app->unsavedBooks_.clear();
    delete app;
  }

  virtual ~IMApp() { app_ = nullptr; }

  void SetExerciseInfo(std::wstring number, std::wstring exerciseTitle, std::wstring text) {
    catalogueNumber = std::move(number);
    title = std::move(exerciseTitle);
    description = std::move(text);
  }

  long SetStudentName(std::wstring name) {
    pupilName = std::move(name);
    return 0;
  }

  // The first state registered becomes the current one; a name already present keeps its builder.
  void AddState(const std::wstring& name, const StateBuilder& builder) {
    if (name.empty()) return;
    states.emplace(name, builder);
    if (stateName.empty()) SetState(name);
  }

  void SetState(const std::wstring& name) {
    if (states.count(name)) stateName = name;
  }

  // Starts the current state on a fresh full-screen dialog, or, when none is left, writes the
  // closing rows and shows the results.
  long NextState() {
    if (window->IsDestroyed()) return 0;
    platform::ShowCursor(true);
    if (!stateName.empty()) {
      startTime = std::time(nullptr);
      AddStatistic(L"Время начала работы с упражнением", FormatStartTime(startTime), L"String");
      extraInstructionCount = 0;
      auto found = states.find(stateName);
      if (found == states.end()) return 0;
      stateDialog = new IMDialog(window, nullptr, 0);
      stateDialog->SetFocus(true);
      using boost::placeholders::_1;
      // A closed state dialog is deleted soon after: never close it again from Restart. First,
      // because the stepper may close the whole window, which cuts the later handlers.
      stateDialog->ConnectOnClose(boost::bind(&IMApp::ForgetStateDialog, this, _1));
      stateDialog->ConnectOnClose(boost::bind(&IMApp::NextState, this));
      auto next = std::next(found);
      stateName = next == states.end() ? std::wstring() : next->first;
      found->second(stateDialog);
      return 0;
    }
    AddStatistic(L"Количество дополнительных вызовов инструкций", std::to_wstring(extraInstructionCount), L"Number");
    AddStatistic(L"Общее время работы с упражнением. с.",
                 std::to_wstring(static_cast<std::int64_t>(std::time(nullptr)) - startTime), L"Number");
    if (workbook) workbook->AddEmptyRow();
    ShowResultsScreen();
    return 0;
  }

  // The pupil's workbook: "<caption>.xls" in the shared data folder's "VELT", else in the
  // current folder. The earlier pupil's workbook is written and let go first, so that a run
  // without a name has no workbook and writes no rows.
  long CreateResultsBook(const std::wstring& name) {
    ReleaseResultsBook();
    if (name.empty()) return 0;
    if (!saveOnCloseConnected_) {
      window->ConnectOnClose(boost::bind(&IMApp::SaveResults, this));
      saveOnCloseConnected_ = true;
    }
    workbook = new IMStatisticsWorkbook();
    workbook->Open(ResultsBookPath(caption), name);
    return 0;
  }

  // The main window's close: the workbook to its own file (or a backup file), and any earlier
  // workbook that could not be written before to a backup file.
  long SaveResults() {
    if (workbook) KeepResults(workbook, caption);
    std::erase_if(unsavedBooks_, [this](IMStatisticsWorkbook* book) {
      // Its own file may hold a later pupil's rows by now: only a backup file is safe.
      if (!KeepBackup(book, caption)) return false;
      delete book;
      return true;
    });
    return 0;
  }

  // Save as: a copy of the workbook under the typed path; the exit save still writes its own file.
  long OnSaveAs() {
    if (!workbook) return 0;
    auto* dialog = new IMSaveAsDialog(window);
    dialog->SetFileName(workbook->GetPath());
    dialog->SetFocus(true);
    dialog->ConnectOnConfirm(boost::bind(&IMApp::SaveResultsFromDialog, this, dialog));
    return 0;
  }

  // The save-as dialog closes once the copy is written; otherwise it stays open with the typed
  // path and says so, for the teacher must not believe a copy exists that does not.
  long SaveResultsFromDialog(IMSaveAsDialog* dialog) {
    if (SaveResultsAs(dialog->GetFileName()) == 0) {
      dialog->Close();
    } else {
      dialog->ShowFailure(L"Не удалось сохранить файл");
    }
    return 0;
  }

  // Print: the printer dialog's confirm prints the rows under the exercise's header.
  long OnPrint();
  long PrintResults(platform::HDC context);

  // 0 once the copy is written, 1 when it could not be.
  long SaveResultsAs(std::wstring path) {
    return workbook && workbook->Save(path) ? 0 : 1;
  }

  void AddStatistic(std::wstring label, std::wstring value, std::wstring valueType) {
    if (workbook) workbook->AddRow(label, value, valueType);
  }

  // The exit menu's Retry: the run so far is closed and the information screen shown again.
  virtual long Restart() {
    if (exitMenu) {
      exitMenu->Hide();
      exitMenu->Close();
      exitMenu = nullptr;
    }
    if (!stateDialog) return 1;
    stateDialog->Close();
    // The stepper has just opened the results screen; the information screen takes its place
    // rather than lying over a screen nobody can reach again.
    if (resultsScreen_) resultsScreen_->Close();
    if (!states.empty()) stateName = states.begin()->first;
    stateDialog = nullptr;
    ShowInfoScreen();
    return 0;
  }

  virtual void Init() {}
  // The screen every run begins with: captions, the exercise, the pupil's name, Start.
  virtual long ShowInfoScreen();
  // The screen that ends a run: Print, Save as, Retry, Close, Exit; Enter plays again.
  virtual void ShowResultsScreen();
  // The praise with an exit picture that closes the target.
  virtual void ShowPraiseWithExit(IMDialog* target);
  // The cloud with one of five voiced animations; its end closes the state dialog.
  virtual void ShowPraise(int x, int y);
  // The plain help screen an exercise without an instruction of its own shows for five seconds.
  virtual void ShowInstruction(IMDialog* dialog) {
    dialog->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(dialog->GetRect());
    const int width = dialog->GetWidth();
    for (auto [text, size, top] : {std::tuple{L"Корвелина", 18, 20}, std::tuple{L"Справка", 24, 100}}) {
      auto* label = new IMStaticPictureBase<IMTextView>(dialog, 0);
      label->SetFontSize(size);
      label->SetColor(0xFF072134);
      label->SetText(text);
      label->SetRect(label->GetSourceRect());
      label->SetPosition(width / 2 - label->GetWidth() / 2, top);
    }
    // Closing it by time ends the instruction as a key would, so F1 works again afterwards.
    AddTimerFor(dialog, 5000, boost::bind(&CloseOnAnyKey, dialog, &instructionOpen));
  }

  // Enter on the information screen: the pupil's workbook, the name, the instruction.
  long OnInfoScreenKey(const IMKeyboardEvent& e, IMControl* /*startButton*/, IMControl* screen, IMEditBar* editBar) {
    if (e.wParam != static_cast<WPARAM>(VK_RETURN)) return 0;
    return StartFromInfoScreen(screen, editBar);
  }

  // Start and Enter alike: the workbook and the name from the field as it reads now.
  long StartFromInfoScreen(IMControl* screen, IMEditBar* editBar) {
    CreateResultsBook(editBar->GetText());
    SetStudentName(editBar->GetText());
    StartExercise();
    screen->Close();
    return 0;
  }

  // The first instruction; its close starts the first state. Esc closes it at any time.
  long StartExercise() {
    instructionOpen = true;
    auto* dialog = new IMDialog(window, nullptr, 0);
    using boost::placeholders::_1;
    window->ConnectOnKeyDown(boost::bind(&CloseOnEscapeKey, _1, dialog, &instructionOpen));
    dialog->ConnectOnClose(boost::bind(&IMApp::NextState, this));
    ShowInstruction(dialog);
    return 0;
  }

  // F1 shows the instruction again (counted) when none is open; the next key closes it.
  long OnKeyF1(const IMKeyboardEvent& e) {
    if (anyKeyConnection.connected() && anyKeyBlock_ && anyKeyBlock_->blocking()) anyKeyBlock_->unblock();
    if (instructionOpen || e.wParam != static_cast<WPARAM>(VK_F1)) return 0;
    ++extraInstructionCount;
    auto* dialog = new IMDialog(window, nullptr, 0);
    anyKeyConnection.disconnect();
    anyKeyConnection = window->ConnectOnKeyDown(boost::bind(&CloseOnAnyKey, dialog, &instructionOpen));
    // The F1 being delivered must not close it at once.
    anyKeyBlock_.emplace(anyKeyConnection);
    instructionOpen = true;
    ShowInstruction(dialog);
    return 0;
  }

  // Enter on the results screen starts the exercise again at once, without the instruction.
  long OnResultsScreenKey(const IMKeyboardEvent& e, IMControl* screen) {
    if (e.wParam != static_cast<WPARAM>(VK_RETURN)) return 0;
    NextState();
    screen->Close();
    return 0;
  }
  // F12 opens the exit menu.
  virtual long OnKey(const IMKeyboardEvent& e) {
    if (e.wParam == static_cast<WPARAM>(VK_F12)) ShowExitMenu();
    return 0;
  }

  // The exit menu over every screen: Retry, Close and Cancel in a box on a translucent shade.
  long ShowExitMenu() {
    if (exitMenu) return 0;
    platform::ShowCursor(true);
    const IMResourceManager* rm = IMResourceManager::Instance();
    const int w = rm->GetBackBufferWidth();
    const int h = rm->GetBackBufferHeight();
    exitMenu = IMDialog::AddDialog(window, 0, 0, w, h, 1099);
    auto* shade = new IMStaticPictureBase<IMTextureView>(exitMenu, 0);
    shade->SetTexture(L"EditBarKaretka");
    shade->SetSize(w, h);
    shade->SetPosition(0, 0);
    shade->tint = 0x4B000096;
    shade->SetChanged(true);
    IMDialog* box = IMDialog::AddDialog(exitMenu, 0, 0, w, h, 1);
    box->SetRect(RECT{(w - 136) / 2, (h - 200) / 2, (w - 136) / 2 + 136, (h - 200) / 2 + 200});
    box->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(RECT{0, -100, 136, 300});
    box->AddButton(10, 20, L"RetryButton", L"RetryButton", L"RetryButtonNuv", L"RetryButtonKlick", 0)
        ->ConnectOnClick(boost::bind(&IMApp::Restart, this));
    box->AddButton(10, 80, L"CloseButton", L"CloseButton", L"CloseButtonNuv", L"CloseButtonKlick", 0)
        ->ConnectOnClick(boost::bind(&IMControl::Close, window));
    box->AddButton(10, 140, L"CancelButton", L"CancelButton", L"CancelButtonNuv", L"CancelButtonKlick", 0)
        ->ConnectOnClick(boost::bind(&IMApp::CloseExitMenu, this));
    for (RECT edge : {RECT{0, 0, 1, 200}, RECT{0, 0, 136, 1}, RECT{135, 0, 136, 200}, RECT{0, 199, 136, 200}}) {
      auto* line = new IMStaticPictureBase<IMTextureView>(box, 0);
      line->SetTexture(L"EditBarKaretka");
      line->SetSize(edge.right - edge.left, edge.bottom - edge.top);
      line->SetPosition(edge.left, edge.top);
    }
    return 0;
  }

  long CloseExitMenu() {
    if (exitMenu) {
      exitMenu->Hide();
      exitMenu->Close();
      exitMenu = nullptr;
    }
    return 0;
  }

  // A dialog over the whole window for a builder that fills it and closes it when done.
  long ShowDialog(boost::function<void(IMDialog*)> builder) {
    auto* dialog = new IMDialog(window, nullptr, 0);
    dialog->SetFocus(true);
    builder(dialog);
    return 0;
  }

  // Ctrl+I: the credits page over everything, the cursor shown until it closes.
  long OnKeyCredits(const IMKeyboardEvent& e) {
    const unsigned key = e.wParam & 0xFF;
    if (key != 0x49 && key != 0x69 && key != 0xD8 && key != 0xF8) return 0;
    if (!(platform::GetAsyncKeyState(VK_CONTROL) & 0x8000)) return 0;
    if (g_CreditsOpen) return 0;
    int n = 0;
    while (platform::ShowCursor(true) <= 1) ++n;
    g_CreditsOpen = true;
    const RECT area = window->GetRect();
    IMDialog* credits = IMDialog::AddDialog(window, 0, 0, area.right - area.left, area.bottom - area.top, 9999);
    credits->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(credits->GetRect());
    for (const CreditsLine& line : kCreditsLines) {
      auto* label = new IMStaticPictureBase<IMTextView>(credits, 0);
      label->SetFontSize(line.size);
      label->SetColor(0xFF072134);
      label->SetText(line.text);
      label->SetRect(label->GetSourceRect());
      label->SetPosition(22, line.top);
    }
    credits->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, credits));
    credits->ConnectOnClose(boost::bind(&RestoreCursorAndClear, &g_CreditsOpen, n));
    return 0;
  }

  boost::function<void(IMDialog*)> optionsBuilder;
  IMDialog* exitMenu = nullptr;
  IMWindow* window = nullptr;
  std::wstring stateName;
  std::map<std::wstring, StateBuilder> states;
  IMDialog* stateDialog = nullptr;
  IMConnection anyKeyConnection;
  IMStatisticsWorkbook* workbook = nullptr;
  std::wstring caption;
  bool instructionOpen = false;
  std::int32_t extraInstructionCount = 0;
  std::int64_t startTime = 0;
  std::wstring description;
  std::wstring title;
  std::wstring catalogueNumber;
  std::wstring pupilName;

 protected:
  IMApp() = default;

 private:
  // The current workbook goes to disk and is let go; one that could be written nowhere is kept
  // and tried again at exit.
  void ReleaseResultsBook() {
    if (!workbook) return;
    if (KeepResults(workbook, caption)) {
      delete workbook;
    } else {
      unsavedBooks_.push_back(workbook);
    }
    workbook = nullptr;
  }

  long ForgetStateDialog(const IMEvent& e) {
    if (e.sender == stateDialog) stateDialog = nullptr;
    return 0;
  }
  long ForgetResultsScreen(const IMEvent& e) {
    if (e.sender == resultsScreen_) resultsScreen_ = nullptr;
    return 0;
  }

  // A label in the screens' dark blue; centred when x is negative.
  IMStaticPictureBase<IMTextView>* AddLabel(IMDialog* dialog, const std::wstring& text, int size, bool bold, int x,
                                            int top) {
    auto* label = new IMStaticPictureBase<IMTextView>(dialog, 0);
    label->SetFontSize(size);
    label->SetColor(kScreenTextColour);
    if (bold) label->SetBold(true);
    label->SetText(text);
    label->SetRect(label->GetSourceRect());
    label->SetPosition(x < 0 ? dialog->GetWidth() / 2 - label->GetWidth() / 2 : x, top);
    return label;
  }
  IMButtonBase<IMStateView>* AddSkinButton(IMDialog* dialog, int x, int y, const std::wstring& base) {
    return dialog->AddButton(x, y, base, base, base + L"Nuv", base + L"Klick", 0);
  }
  // The header every full screen shares: the background and the two captions.
  IMDialog* NewScreen() {
    auto* screen = new IMDialog(window, nullptr, 0);
    screen->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(screen->GetRect());
    AddLabel(screen, L"Корвелина", 14, false, kCentred, 10);
    AddLabel(screen, L"Ламбридин", 18, true, kCentred, 35);
    return screen;
  }

  static constexpr DWORD kScreenTextColour = 0xFF072134;
  static constexpr int kCentred = -1;

  std::optional<boost::signals2::shared_connection_block> anyKeyBlock_;
  bool saveOnCloseConnected_ = false;
  std::vector<IMStatisticsWorkbook*> unsavedBooks_;
  // The results screen while it is open.
  IMDialog* resultsScreen_ = nullptr;

  static inline IMApp* app_ = nullptr;
  static inline int useCount_ = 0;
};

#include "shell/app_screens.h"
