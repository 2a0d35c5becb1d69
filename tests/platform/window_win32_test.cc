// The desktop window on Windows (or Wine with a display), looked at through
// the system as a user would see it. Skipped where no window can be made.
#ifdef _WIN32

#include "platform/window_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "cli/run.h"
#include "platform/window_layout.h"
#include "test_util.h"

#include <windows.h>

namespace scenarioc {
namespace {

using std::chrono::milliseconds;

TEST(Win32Window, TheLabelIsOnTheScreenBeforeTheWorkStarts) {
  auto window = open_win32_window();
  if (!window) GTEST_SKIP() << "no desktop to make a window on";
  window->show_label("Attendere");

  const HWND form = FindWindowA(nullptr, "Form1");
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(IsWindowVisible(form));
  const FormLayout layout;
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, layout.client_width);
  EXPECT_EQ(client.bottom, layout.client_height);

  const HWND label = FindWindowExA(form, nullptr, "STATIC", nullptr);
  ASSERT_NE(label, nullptr);
  char text[64] = {};
  GetWindowTextA(label, text, sizeof text);
  EXPECT_STREQ(text, "Attendere");
  RECT box;
  GetWindowRect(label, &box);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, layout.label_left);
  EXPECT_EQ(box.top, layout.label_top);
  EXPECT_EQ(box.right - box.left, layout.label_width);
  EXPECT_EQ(box.bottom - box.top, layout.label_height);

  // Ink of a bold, large face inside the label, none outside it.
  const HDC dc = GetDC(form);
  int ink = 0, stray = 0;
  for (int y = 0; y < layout.client_height; ++y) {
    for (int x = 0; x < layout.client_width; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      const bool dark = GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 96;
      const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      if (dark) ++(inside ? ink : stray);
    }
  }
  ReleaseDC(form, dc);
  EXPECT_GT(ink, 400);
  EXPECT_EQ(stray, 0);
}

// The message box of a run, found by its title; null when it is not up.
HWND find_box() { return FindWindowA("#32770", kMessageBoxTitle); }

std::string texts_of(HWND box) {
  std::string all;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char text[128] = {};
    GetWindowTextA(c, text, sizeof text);
    all += std::string(text) + "|";
  }
  return all;
}

class Win32MessageBox : public ::testing::TestWithParam<UINT> {};

TEST_P(Win32MessageBox, ErroreShowsTheBoxAndReturnsOnceItIsClosed) {
  auto window = open_win32_window();
  if (!window) GTEST_SKIP() << "no desktop to make a window on";
  window->show_label("Attendere");

  // The box is modal on this thread; a second one plays the user.
  std::atomic<bool> returned{false};
  std::string seen;
  bool found = false;
  std::thread user([&] {
    HWND box = nullptr;
    for (int i = 0; i < 100 && !box; ++i) {
      std::this_thread::sleep_for(milliseconds(50));
      box = find_box();
    }
    if (!box) return;  // nothing to close; the run would wait for ever
    found = true;
    std::this_thread::sleep_for(milliseconds(200));
    seen = texts_of(box);
    const bool early = returned;
    if (GetParam() == WM_CLOSE) PostMessageA(box, WM_CLOSE, 0, 0);
    else PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (early) seen += "returned before it was closed";
  });
  show_error_box(*window, 1250);
  returned = true;
  user.join();
  ASSERT_TRUE(found) << "no message box appeared";
  EXPECT_NE(seen.find(" Errore n. 1250|"), std::string::npos) << seen;
  EXPECT_NE(seen.find("OK|"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("returned"), std::string::npos);
  EXPECT_EQ(find_box(), nullptr);
}

// The built-in run asked for the desktop form: the label goes to the window,
// not to standard output, and the run ends by itself.
TEST(Win32Window, TheBuiltInRunOnTheDesktopEndsByItself) {
  if (!open_win32_window()) GTEST_SKIP() << "no desktop to make a window on";
  testing::TempDir dir;
  const auto r = testing::run_scenarioc({"--dir", dir.path().string(), "--window"},
                                        dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdena_704.dat"));
}

INSTANTIATE_TEST_SUITE_P(Closers, Win32MessageBox,
                         ::testing::Values(static_cast<UINT>(WM_COMMAND),
                                           static_cast<UINT>(WM_CLOSE)),
                         [](const ::testing::TestParamInfo<UINT>& info) {
                           return std::string(info.param == WM_CLOSE ? "CloseButton"
                                                                     : "OkButton");
                         });

}  // namespace
}  // namespace scenarioc

#endif  // _WIN32
