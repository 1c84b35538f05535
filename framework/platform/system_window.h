#pragma once
// The program's one window: class registration, creation, message dispatch and the default
// handling the framework relies on (Alt+F4 closes, a close destroys, a destroy quits).

#include <cstdint>
#include <string>

#include "framework/platform/platform.h"

namespace platform {

using WindowProc = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT CS_DBLCLKS = 0x0008;

struct WindowClass {
  std::wstring name;
  WindowProc proc = nullptr;
  UINT style = 0;
};

struct WindowSpec {
  std::wstring className;
  std::wstring caption;
  bool windowed = false;
  // Client area; full screen ignores the position.
  int x = 0;
  int y = 0;
  int width = 800;
  int height = 600;
};

bool RegisterClass(const WindowClass& windowClass);
void UnregisterClass(const std::wstring& name);
// Null on failure; LastError() then says why.
HWND CreateWindow(const WindowSpec& spec);
// Sends WM_DESTROY to the window procedure once; later posts to the window are dropped.
void DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
// The one window's handle while it exists, else null.
HWND MainWindowHandle();
// Shows the window: WM_SHOWWINDOW and WM_SIZE are sent, then a mouse move where the pointer is.
void ShowWindow(HWND hwnd);
// Sends WM_PAINT synchronously.
void UpdateWindow(HWND hwnd);
const std::string& LastError();

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DispatchMessage(const Message& message);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The pointer and the client area, both in the window's client coordinates: the program
// only ever compares one with the other.
POINT GetCursorPos();
RECT GetClientRectOnScreen(HWND hwnd);

}  // namespace platform
