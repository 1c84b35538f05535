#pragma once
// The course's application template: the one application object with the main window, the
// exercise's description, the pupil's name and workbook, and the registry of named exercise
// states that the state stepper runs one after another.

#include <boost/bind/bind.hpp>
#include <boost/function.hpp>

#include <cstdint>
#include <ctime>
#include <map>
#include <string>

#include "framework/controls/dialog.h"
#include "framework/platform/platform.h"
#include "framework/window/window.h"
#include "framework/workbook/statistics_workbook.h"
#include "shell/start_time.h"

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
    if (!states.empty()) stateName = states.begin()->first;
    stateDialog = nullptr;
    ShowInfoScreen();
    return 0;
  }

  virtual void Init() {}
  // Until the information screen exists the exercise state starts at once.
  virtual void ShowInfoScreen() { NextState(); }
  // Until the results screen exists the run ends the program.
  virtual void ShowResultsScreen() {
    if (window) window->Close();
  }
  virtual void ShowPraiseWithExit(IMControl* /*target*/) {}
  // Until the praise exists its end comes at once: the state dialog closes.
  virtual void ShowPraise(int /*x*/, int /*y*/) {
    if (stateDialog) stateDialog->Close();
  }
  virtual void ShowInstruction(IMDialog* /*dialog*/) {}
  virtual long OnKey(const IMKeyboardEvent& /*e*/) { return 0; }

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
  long ForgetStateDialog(const IMEvent& e) {
    if (e.sender == stateDialog) stateDialog = nullptr;
    return 0;
  }

  static inline IMApp* app_ = nullptr;
  static inline int useCount_ = 0;
};
