// The desktop window on X11, looked at from a second connection as a user
// would see it. Needs a display (xvfb-run); skipped without one.
#ifdef SCENARIOC_HAVE_X11

#include "platform/window_x11.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/run.h"
#include "platform/window_layout.h"
#include "test_util.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace scenarioc {
namespace {

using std::chrono::milliseconds;

// An RGB picture of part of the screen.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<unsigned long> rgb;
  unsigned long at(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

int shift_of(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

bool dark(unsigned long rgb) {
  return ((rgb >> 16 & 0xFF) + (rgb >> 8 & 0xFF) + (rgb & 0xFF)) < 3 * 96;
}

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) probe_ = XOpenDisplay(display);
    if (!probe_) GTEST_SKIP() << "no X display; run the suite under xvfb-run";
  }
  void TearDown() override {
    if (probe_) XCloseDisplay(probe_);
  }

  // The top-level window named `name`, searched through the whole tree so
  // that a window manager's frames do not hide it; 0 when there is none.
  ::Window find(const std::string& name, ::Window from = 0) {
    if (from == 0) from = DefaultRootWindow(probe_);
    char* title = nullptr;
    if (XFetchName(probe_, from, &title) && title) {
      const bool same = name == title;
      XFree(title);
      XWindowAttributes a;
      if (same && XGetWindowAttributes(probe_, from, &a) && a.map_state == IsViewable)
        return from;
    }
    ::Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(probe_, from, &root, &parent, &children, &n)) return 0;
    ::Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i) found = find(name, children[i]);
    if (children) XFree(children);
    return found;
  }

  ::Window wait_for(const std::string& name) {
    for (int i = 0; i < 100; ++i) {
      XSync(probe_, False);
      if (::Window w = find(name)) return w;
      std::this_thread::sleep_for(milliseconds(50));
    }
    return 0;
  }

  // What the screen shows where `w` is: read from the root window, so it is
  // what reached the screen, not what the window meant to draw.
  Shot screenshot(::Window w) {
    XWindowAttributes a;
    XGetWindowAttributes(probe_, w, &a);
    int x = 0, y = 0;
    ::Window child;
    const ::Window root = DefaultRootWindow(probe_);
    XTranslateCoordinates(probe_, w, root, 0, 0, &x, &y, &child);
    XImage* img = XGetImage(probe_, root, x, y, static_cast<unsigned>(a.width),
                            static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    Shot s;
    if (!img) return s;
    s.width = a.width;
    s.height = a.height;
    const int rs = shift_of(img->red_mask), gs = shift_of(img->green_mask),
              bs = shift_of(img->blue_mask);
    for (int j = 0; j < s.height; ++j) {
      for (int i = 0; i < s.width; ++i) {
        const unsigned long p = XGetPixel(img, i, j);
        const unsigned long r = (p & img->red_mask) >> rs;
        const unsigned long g = (p & img->green_mask) >> gs;
        const unsigned long b = (p & img->blue_mask) >> bs;
        s.rgb.push_back(r << 16 | g << 8 | b);
      }
    }
    XDestroyImage(img);
    return s;
  }

  // Kept for a person to look at when SCENARIOC_SCREENSHOTS names a folder.
  static void keep(const Shot& s, const std::string& name) {
    const char* dir = std::getenv("SCENARIOC_SCREENSHOTS");
    if (!dir || !*dir) return;
    std::ofstream out(std::string(dir) + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << s.width << " " << s.height << "\n255\n";
    for (unsigned long p : s.rgb)
      out << static_cast<char>(p >> 16 & 0xFF) << static_cast<char>(p >> 8 & 0xFF)
          << static_cast<char>(p & 0xFF);
  }

  Display* probe_ = nullptr;
};

TEST_F(X11WindowTest, TheLabelIsOnTheScreenBeforeTheWorkStarts) {
  auto window = open_x11_window();
  ASSERT_NE(window, nullptr);
  window->show_label("Attendere");
  // From here on the window handles no events, as during the work: what the
  // screen shows now is all the user gets.
  const ::Window form = find("Form1");
  ASSERT_NE(form, 0u) << "no viewable window captioned Form1";
  const FormLayout layout;
  const Shot shot = screenshot(form);
  keep(shot, "form1");
  ASSERT_EQ(shot.width, layout.client_width);
  ASSERT_EQ(shot.height, layout.client_height);

  const unsigned long background = shot.at(0, 0);
  EXPECT_FALSE(dark(background));
  int ink = 0;
  int left = shot.width, right = -1, top = shot.height, bottom = -1;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const unsigned long p = shot.at(x, y);
      const bool in_label = x >= layout.label_left &&
                            x < layout.label_left + layout.label_width &&
                            y >= layout.label_top &&
                            y < layout.label_top + layout.label_height;
      if (!in_label) {
        ASSERT_EQ(p, background) << "at " << x << "," << y << " outside the label";
      } else if (dark(p)) {
        ++ink;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  // "Attendere" in a bold face of about 24 points: a wide, tall line of ink
  // that starts at the label's top left corner.
  EXPECT_GT(ink, 400);
  EXPECT_LE(left - layout.label_left, 4);
  EXPECT_LE(top - layout.label_top, 12);
  EXPECT_GE(right - left, 100) << "text too narrow for 24 points";
  EXPECT_GE(bottom - top, 18) << "text too low for 24 points (xfonts-100dpi missing?)";
}

// How a user closes the message box; each must end the wait.
struct Closer {
  const char* name;
  void (*close)(Display* d, ::Window box, int width, int height);
};

class MessageBoxTest : public X11WindowTest,
                       public ::testing::WithParamInterface<int> {};

void press_key(Display* d, ::Window box, KeySym sym) {
  XEvent ev{};
  ev.xkey.type = KeyPress;
  ev.xkey.display = d;
  ev.xkey.window = box;
  ev.xkey.root = DefaultRootWindow(d);
  ev.xkey.keycode = XKeysymToKeycode(d, sym);
  ev.xkey.same_screen = True;
  XSendEvent(d, box, False, KeyPressMask, &ev);
  XFlush(d);
}

void click(Display* d, ::Window box, int x, int y) {
  for (int type : {ButtonPress, ButtonRelease}) {
    XEvent ev{};
    ev.xbutton.type = type;
    ev.xbutton.display = d;
    ev.xbutton.window = box;
    ev.xbutton.root = DefaultRootWindow(d);
    ev.xbutton.button = Button1;
    ev.xbutton.x = x;
    ev.xbutton.y = y;
    ev.xbutton.same_screen = True;
    XSendEvent(d, box, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
               &ev);
  }
  XFlush(d);
}

void ask_to_close(Display* d, ::Window box) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = box;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, box, False, NoEventMask, &ev);
  XFlush(d);
}

// Waits for the run to return once the box has been closed the way under
// test. If it has not, the window manager is asked to close the box so that
// the test can end, and the answer is false either way.
bool returns_once_closed(Display* d, ::Window box, const std::atomic<bool>& returned) {
  for (int i = 0; i < 100 && !returned; ++i) std::this_thread::sleep_for(milliseconds(50));
  if (returned) return true;
  ask_to_close(d, box);
  for (int i = 0; i < 40 && !returned; ++i) std::this_thread::sleep_for(milliseconds(50));
  return false;
}

// A box that outlived every way of closing it fails the test now rather than
// at its time limit. The run is left waiting with its window; the test's
// process ends soon after and takes them with it.
#define LEAVE_THE_RUN_IF_STILL_WAITING(run, window, returned) \
  if (!(returned)) {                                        \
    (run).detach();                                         \
    (void)(window).release();                               \
    FAIL() << "the box could not be closed";                \
  }

const Closer kClosers[] = {
    {"ReturnKey", [](Display* d, ::Window b, int, int) { press_key(d, b, XK_Return); }},
    {"EscapeKey", [](Display* d, ::Window b, int, int) { press_key(d, b, XK_Escape); }},
    // The OK button sits in the middle, 12 pixels above the bottom, 23 high.
    {"ClickOnOk",
     [](Display* d, ::Window b, int w, int h) { click(d, b, w / 2, h - 12 - 11); }},
    {"WindowManagerClose", [](Display* d, ::Window b, int, int) { ask_to_close(d, b); }},
};

TEST_P(MessageBoxTest, ErroreShowsTheBoxAndReturnsOnceItIsClosed) {
  const Closer& closer = kClosers[GetParam()];
  auto window = open_x11_window();
  ASSERT_NE(window, nullptr);
  window->show_label("Attendere");
  std::atomic<bool> returned{false};
  std::thread run([&] {
    show_error_box(*window, 1250);
    returned = true;
  });

  const ::Window box = wait_for(kMessageBoxTitle);
  if (box == 0) {
    // Nothing to close: leave the run waiting, and its window with it.
    run.detach();
    (void)window.release();
    FAIL() << "no message box appeared";
  }
  XWindowAttributes a;
  XGetWindowAttributes(probe_, box, &a);
  std::this_thread::sleep_for(milliseconds(200));
  const Shot shot = screenshot(box);
  keep(shot, std::string("message_box_") + closer.name);
  int ink = 0;
  for (unsigned long p : shot.rgb) ink += dark(p) ? 1 : 0;
  EXPECT_GT(ink, 50) << "no text in the box";
  EXPECT_FALSE(returned) << "errore returned before the box was closed";

  closer.close(probe_, box, a.width, a.height);
  EXPECT_TRUE(returns_once_closed(probe_, box, returned))
      << closer.name << " did not close the box";
  LEAVE_THE_RUN_IF_STILL_WAITING(run, window, returned);
  run.join();
  XSync(probe_, False);
  EXPECT_EQ(find(kMessageBoxTitle), 0u) << "the box is still on the screen";
}

// The closing check of a route whose cell 1 already holds a point: the box
// comes up, the run waits for it, and ends without a compiled file once the
// user has closed it.
TEST_F(X11WindowTest, A1250CaseWaitsForTheBoxAndEndsTheRunWithoutFiles) {
  testing::TempDir dir;
  CompileJob job{"Prova", "1", dir.path()};
  TextSources sources(
      {"Prova_linea.txt", "[generale]\r\nlunghezza percorso, 10000\r\n[d]\r\n[fine]\r\n"},
      {"Prova_1-.txt", "[generale]\r\nabbattimento,  50,  90\r\n[fine]\r\n"});
  auto window = open_x11_window();
  ASSERT_NE(window, nullptr);
  window->show_label("Attendere");

  std::atomic<bool> returned{false};
  ExitStatus status = kExitSuccess;
  std::ostringstream err;
  std::thread run([&] {
    status = compile_and_write(sources, job, *window, err);
    returned = true;
  });
  const ::Window box = wait_for(kMessageBoxTitle);
  if (box == 0) {
    run.detach();
    (void)window.release();
    FAIL() << "no message box appeared";
  }
  std::this_thread::sleep_for(milliseconds(200));
  EXPECT_FALSE(returned) << "the run went on with the box up";
  EXPECT_EQ(testing::list_dir(dir.path()), std::vector<std::string>{});
  press_key(probe_, box, XK_Return);
  EXPECT_TRUE(returns_once_closed(probe_, box, returned)) << "Return did not close the box";
  LEAVE_THE_RUN_IF_STILL_WAITING(run, window, returned);
  run.join();
  EXPECT_EQ(status, kExitEndedEarly);
  EXPECT_EQ(testing::list_dir(dir.path()), std::vector<std::string>{});
}

// The built-in run asked for the desktop form: the label goes to the window,
// not to standard output, no note of a fallback, and the run ends by itself.
TEST_F(X11WindowTest, TheBuiltInRunOnTheDesktopEndsByItself) {
  testing::TempDir dir;
  const auto r = testing::run_scenarioc({"--dir", dir.path().string(), "--window"},
                                        dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(std::filesystem::exists(dir / "Valdena_704.dat"));
}

INSTANTIATE_TEST_SUITE_P(Closers, MessageBoxTest,
                         ::testing::Range(0, static_cast<int>(std::size(kClosers))),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kClosers[info.param].name);
                         });

}  // namespace
}  // namespace scenarioc

#endif  // SCENARIOC_HAVE_X11
