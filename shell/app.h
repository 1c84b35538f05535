#pragma once
// The course's application template: the one application object with the main window, the
// exercise's description, the pupil's name and workbook, and the registry of named exercise
// states that the state stepper runs one after another. The screens and flows are defined in
// headers of their own, which shell/shell.h gathers.

#include <boost/bind/bind.hpp>
#include <boost/function.hpp>
#include <boost/signals2/shared_connection_block.hpp>

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls/dialog.h"
#include "framework/platform/platform.h"
#include "framework/platform/printing.h"
#include "framework/window/window.h"
#include "framework/workbook/statistics_workbook.h"
#include "shell/handlers.h"
#include "shell/start_time.h"

class IMEditBar;
class IMSaveAsDialog;
class IMSelectPrinterDialog;

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

  // One user fewer; the last takes down the main window, then the workbooks, then the
  // application. Nothing is saved here.
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
      stateDialog->ConnectOnClose(boost::bind(&IMApp::ForgetDialog, this, _1, &stateDialog));
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

  void AddStatistic(std::wstring label, std::wstring value, std::wstring valueType) {
    if (workbook) workbook->AddRow(label, value, valueType);
  }
  // The exit menu's Retry: the run so far is closed and the information screen shown again.
  virtual long Restart() {
    CloseExitMenu();
    if (!stateDialog) return 1;
    // An instruction F1 opened under the menu belongs to the run that ends here: it must not
    // speak on over the information screen.
    if (repeatedInstruction_) {
      anyKeyConnection.disconnect();
      CloseOnAnyKey(repeatedInstruction_, &instructionOpen);
    }
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
  virtual long ShowInfoScreen();                    // shell/information_screen.h
  virtual void ShowResultsScreen();                 // shell/results_screen.h
  virtual void ShowPraiseWithExit(IMDialog* target);  // shell/praise.h
  virtual void ShowPraise(int x, int y);            // shell/praise.h
  virtual void ShowInstruction(IMDialog* dialog);   // shell/instruction_flow.h
  virtual long OnKey(const IMKeyboardEvent& e);     // shell/exit_menu.h

  // The start and instruction flow: shell/instruction_flow.h.
  long OnInfoScreenKey(const IMKeyboardEvent& e, IMControl* startButton, IMControl* screen, IMEditBar* editBar);
  long StartFromInfoScreen(IMControl* screen, IMEditBar* editBar);
  long StartExercise();
  long OnKeyF1(const IMKeyboardEvent& e);
  long OnResultsScreenKey(const IMKeyboardEvent& e, IMControl* screen);
  // shell/exit_menu.h and shell/credits.h.
  long ShowExitMenu();
  long CloseExitMenu();
  long ShowDialog(boost::function<void(IMDialog*)> builder);
  long OnKeyCredits(const IMKeyboardEvent& e);
  // The results saving and printing flows: shell/results_saving.h, shell/results_printing.h.
  long CreateResultsBook(const std::wstring& name);
  long SaveResults();
  long OnSaveAs();
  long SaveResultsFromDialog(IMSaveAsDialog* dialog);
  long SaveResultsAs(std::wstring path);
  long OnPrint();
  long PrintResultsFromDialog(IMSelectPrinterDialog* dialog);
  long PrintResults(platform::HDC context);

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
  void ReleaseResultsBook();
  // A standard dialog's confirm: it closes once its action has succeeded (0); otherwise it stays
  // open and says so, for the teacher must not believe done what was not.
  template <class Dialog>
  static long CloseOrShowFailure(Dialog* dialog, long result, const wchar_t* failure) {
    if (result == 0) {
      dialog->Close();
    } else {
      dialog->ShowFailure(failure);
    }
    return 0;
  }
  // A closed dialog is deleted soon after: the pointer that named it is cleared at its close.
  long ForgetDialog(const IMEvent& e, IMDialog** named) {
    if (e.sender == *named) *named = nullptr;
    return 0;
  }

  std::optional<boost::signals2::shared_connection_block> anyKeyBlock_;
  bool saveOnCloseConnected_ = false;
  std::vector<IMStatisticsWorkbook*> unsavedBooks_;
  IMDialog* resultsScreen_ = nullptr;  // while it is open
  IMDialog* repeatedInstruction_ = nullptr;  // F1's, while it is open

  static inline IMApp* app_ = nullptr;
  static inline int useCount_ = 0;
};
