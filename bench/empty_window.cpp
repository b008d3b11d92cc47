// The floor for the cold-start benchmark: the least a Win32 program does to
// show a window, measured the same way as Runwarden.exe.
#include <windows.h>

namespace {
LRESULT CALLBACK empty_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = empty_window_proc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"RunwardenBenchEmpty";
  RegisterClassW(&window_class);
  HWND window =
      CreateWindowW(L"RunwardenBenchEmpty", L"Runwarden bench empty window", WS_OVERLAPPEDWINDOW,
                    CW_USEDEFAULT, CW_USEDEFAULT, 460, 340, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
