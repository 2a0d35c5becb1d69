#include "platform/window_win32.h"

#include <string>

#include "platform/window_layout.h"

#include <windows.h>

namespace scenarioc {

namespace {

constexpr const char* kFormClass = "ScenariocForm1";

LRESULT CALLBACK form_procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    // The label is drawn on the face of the form, as a dialog's are.
    SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Lets the window paint itself: the work that follows handles no messages.
void pump_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class Win32Window : public Window {
 public:
  Win32Window(HWND form, HWND label, HFONT font)
      : form_(form), label_(label), font_(font) {}
  ~Win32Window() override {
    DestroyWindow(form_);
    if (font_) DeleteObject(font_);
  }
  void show_label(std::string_view text) override {
    const std::string caption(text);
    SetWindowTextA(label_, caption.c_str());
    ShowWindow(form_, SW_SHOW);
    RedrawWindow(form_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump_messages();
    GdiFlush();
  }
  void message_box(std::string_view text) override {
    const std::string message(text);
    // A box the system would not show returns at once: no run waits for
    // a click that cannot come.
    MessageBoxA(form_, message.c_str(), kMessageBoxTitle, MB_OK);
  }

 private:
  HWND form_;
  HWND label_;
  HFONT font_;
};

}  // namespace

std::unique_ptr<Window> open_win32_window() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA cls{};
  if (!GetClassInfoA(instance, kFormClass, &cls)) {
    cls.lpfnWndProc = form_procedure;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kFormClass;
    if (!RegisterClassA(&cls)) return nullptr;
  }
  const FormLayout layout;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, layout.client_width, layout.client_height};
  AdjustWindowRect(&frame, style, FALSE);
  const HWND form = CreateWindowExA(0, kFormClass, layout.caption, style,
                                    CW_USEDEFAULT, CW_USEDEFAULT,
                                    frame.right - frame.left, frame.bottom - frame.top,
                                    nullptr, nullptr, instance, nullptr);
  if (!form) return nullptr;
  const HWND label = CreateWindowExA(
      0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
      layout.label_left, layout.label_top, layout.label_width, layout.label_height,
      form, nullptr, instance, nullptr);
  if (!label) {
    DestroyWindow(form);
    return nullptr;
  }
  const HDC dc = GetDC(form);
  const int height = -MulDiv(layout.label_points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(form, dc);
  const HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 "MS Sans Serif");
  if (font) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return std::make_unique<Win32Window>(form, label, font);
}

}  // namespace scenarioc
