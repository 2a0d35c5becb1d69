#include "platform/window_x11.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <string>

#include "platform/window_layout.h"

// Xlib last: it defines macros (None, Bool, Status) that clash with C++ names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace scenarioc {

namespace {

// Core X fonts, best first: Helvetica bold at 24 points on a 96 dpi screen
// (32 pixels), then the nearest sizes the font packages carry, then anything.
const char* const kLabelFonts[] = {
    "-*-helvetica-bold-r-normal--32-*-*-*-p-*-iso8859-1",
    "-*-helvetica-bold-r-normal--34-*-*-*-p-*-iso8859-1",
    "-*-helvetica-bold-r-normal--*-240-*-*-p-*-iso8859-1",
    "-*-*-bold-r-normal--*-240-*-*-p-*-iso8859-1",
    "-*-*-bold-r-*--*-240-*-*-*-*-iso8859-1",
    "-misc-fixed-bold-r-normal--18-*-*-*-*-*-iso8859-1",
    "fixed",
};
const char* const kBoxFonts[] = {
    "-*-helvetica-medium-r-normal--12-*-*-*-p-*-iso8859-1",
    "-*-helvetica-medium-r-normal--*-120-*-*-p-*-iso8859-1",
    "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1",
    "fixed",
};

// The colours of a classic desktop dialog.
constexpr unsigned long kFace = 0xF0F0F0;
constexpr unsigned long kShadow = 0xA0A0A0;
constexpr unsigned long kDarkShadow = 0x696969;
constexpr unsigned long kHighlight = 0xFFFFFF;
constexpr unsigned long kText = 0x000000;

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMargin = 12;

// A window that does not appear within this time (no window manager that
// maps it, say) is drawn anyway rather than holding up the run.
constexpr int kMapTimeoutMs = 2000;

// A failed request must not end the run, as Xlib's default handler would.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

XFontStruct* load_font(Display* d, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (XFontStruct* f = XLoadQueryFont(d, names[i])) return f;
  }
  return nullptr;
}

class X11Window : public Window {
 public:
  explicit X11Window(Display* d);
  ~X11Window() override;
  void show_label(std::string_view text) override;
  void message_box(std::string_view text) override;

 private:
  unsigned long pixel(unsigned long rgb);
  ::Window make_toplevel(int x, int y, int w, int h, const char* title);
  bool wait_for_expose(::Window w, int timeout_ms);
  void draw_form();
  void draw_box(::Window box, const std::string& text, int w, int h, bool pressed);

  Display* d_;
  int screen_;
  FormLayout layout_;
  GC gc_;
  XFontStruct* label_font_;
  XFontStruct* box_font_;
  Atom wm_protocols_;
  Atom wm_delete_;
  ::Window form_ = 0;
  bool shown_ = false;
  std::string label_;
};

X11Window::X11Window(Display* d) : d_(d), screen_(DefaultScreen(d)) {
  XSetErrorHandler(ignore_x_error);
  gc_ = XCreateGC(d_, RootWindow(d_, screen_), 0, nullptr);
  label_font_ = load_font(d_, kLabelFonts, std::size(kLabelFonts));
  box_font_ = load_font(d_, kBoxFonts, std::size(kBoxFonts));
  wm_protocols_ = XInternAtom(d_, "WM_PROTOCOLS", False);
  wm_delete_ = XInternAtom(d_, "WM_DELETE_WINDOW", False);
  form_ = make_toplevel(0, 0, layout_.client_width, layout_.client_height,
                        layout_.caption);
}

X11Window::~X11Window() {
  if (label_font_) XFreeFont(d_, label_font_);
  if (box_font_) XFreeFont(d_, box_font_);
  XFreeGC(d_, gc_);
  XDestroyWindow(d_, form_);
  XCloseDisplay(d_);
}

unsigned long X11Window::pixel(unsigned long rgb) {
  XColor c;
  c.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 0x101);
  c.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 0x101);
  c.blue = static_cast<unsigned short>((rgb & 0xFF) * 0x101);
  c.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(d_, DefaultColormap(d_, screen_), &c)) return c.pixel;
  return rgb == kText ? BlackPixel(d_, screen_) : WhitePixel(d_, screen_);
}

// A fixed-size top-level window with a title that the window manager closes
// by asking (WM_DELETE_WINDOW) rather than by cutting the connection.
::Window X11Window::make_toplevel(int x, int y, int w, int h, const char* title) {
  const ::Window win = XCreateSimpleWindow(
      d_, RootWindow(d_, screen_), x, y, static_cast<unsigned>(w),
      static_cast<unsigned>(h), 0, BlackPixel(d_, screen_), pixel(kFace));
  XSizeHints* size = XAllocSizeHints();
  size->flags = PMinSize | PMaxSize;
  size->min_width = size->max_width = w;
  size->min_height = size->max_height = h;
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint | StateHint;
  hints->input = True;
  hints->initial_state = NormalState;
  XClassHint* cls = XAllocClassHint();
  std::string res_name = "scenarioc";
  std::string res_class = "Scenarioc";
  cls->res_name = res_name.data();
  cls->res_class = res_class.data();
  std::string name = title;
  char* names[] = {name.data()};
  XTextProperty prop;
  XStringListToTextProperty(names, 1, &prop);
  XSetWMProperties(d_, win, &prop, &prop, nullptr, 0, size, hints, cls);
  XFree(prop.value);
  XFree(cls);
  XFree(hints);
  XFree(size);
  XChangeProperty(d_, win, XInternAtom(d_, "_NET_WM_NAME", False),
                  XInternAtom(d_, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title),
                  static_cast<int>(name.size()));
  Atom protocols[] = {wm_delete_};
  XSetWMProtocols(d_, win, protocols, 1);
  XSelectInput(d_, win,
               ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                   StructureNotifyMask);
  return win;
}

// Handles events until `w` has been exposed, or `timeout_ms` has passed.
bool X11Window::wait_for_expose(::Window w, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  XFlush(d_);
  for (;;) {
    while (XPending(d_) > 0) {
      XEvent ev;
      XNextEvent(d_, &ev);
      if (ev.type == Expose && ev.xexpose.window == w) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - Clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd p{ConnectionNumber(d_), POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
  }
}

void X11Window::draw_form() {
  XSetForeground(d_, gc_, pixel(kFace));
  XFillRectangle(d_, form_, gc_, 0, 0, static_cast<unsigned>(layout_.client_width),
                 static_cast<unsigned>(layout_.client_height));
  if (!label_font_ || label_.empty()) return;
  // The label's text sits at the top left of its box, clipped to the box.
  XRectangle box{static_cast<short>(layout_.label_left),
                 static_cast<short>(layout_.label_top),
                 static_cast<unsigned short>(layout_.label_width),
                 static_cast<unsigned short>(layout_.label_height)};
  XSetClipRectangles(d_, gc_, 0, 0, &box, 1, Unsorted);
  XSetFont(d_, gc_, label_font_->fid);
  XSetForeground(d_, gc_, pixel(kText));
  XDrawString(d_, form_, gc_, layout_.label_left,
              layout_.label_top + label_font_->ascent, label_.data(),
              static_cast<int>(label_.size()));
  XSetClipMask(d_, gc_, 0);
}

void X11Window::show_label(std::string_view text) {
  label_ = std::string(text);
  if (!shown_) {
    XMapRaised(d_, form_);
    wait_for_expose(form_, kMapTimeoutMs);
    shown_ = true;
  }
  draw_form();
  // The work that follows handles no events: make sure the label is on the
  // screen before it starts.
  XSync(d_, False);
}

void X11Window::draw_box(::Window box, const std::string& text, int w, int h,
                         bool pressed) {
  XSetForeground(d_, gc_, pixel(kFace));
  XFillRectangle(d_, box, gc_, 0, 0, static_cast<unsigned>(w),
                 static_cast<unsigned>(h));
  if (box_font_) XSetFont(d_, gc_, box_font_->fid);
  const int ascent = box_font_ ? box_font_->ascent : 10;
  XSetForeground(d_, gc_, pixel(kText));
  XDrawString(d_, box, gc_, kMargin, kMargin + ascent, text.data(),
              static_cast<int>(text.size()));

  const int bx = (w - kButtonWidth) / 2;
  const int by = h - kMargin - kButtonHeight;
  const int r = bx + kButtonWidth - 1;
  const int b = by + kButtonHeight - 1;
  XSetForeground(d_, gc_, pixel(pressed ? kDarkShadow : kHighlight));
  XDrawLine(d_, box, gc_, bx, by, r, by);
  XDrawLine(d_, box, gc_, bx, by, bx, b);
  XSetForeground(d_, gc_, pixel(pressed ? kHighlight : kDarkShadow));
  XDrawLine(d_, box, gc_, bx, b, r, b);
  XDrawLine(d_, box, gc_, r, by, r, b);
  XSetForeground(d_, gc_, pixel(kShadow));
  XDrawRectangle(d_, box, gc_, bx - 1, by - 1, kButtonWidth + 1, kButtonHeight + 1);

  const char ok[] = "OK";
  const int ok_w = box_font_ ? XTextWidth(box_font_, ok, 2) : 12;
  const int shift = pressed ? 1 : 0;
  XSetForeground(d_, gc_, pixel(kText));
  XDrawString(d_, box, gc_, bx + (kButtonWidth - ok_w) / 2 + shift,
              by + (kButtonHeight + ascent) / 2 - 1 + shift, ok, 2);
}

void X11Window::message_box(std::string_view view) {
  const std::string text(view);
  const int text_w = box_font_ ? XTextWidth(box_font_, text.data(),
                                            static_cast<int>(text.size()))
                               : 8 * static_cast<int>(text.size());
  const int text_h = box_font_ ? box_font_->ascent + box_font_->descent : 14;
  const int w = std::max({text_w + 4 * kMargin, kButtonWidth + 4 * kMargin, 180});
  const int h = kMargin + text_h + 2 * kMargin + kButtonHeight + kMargin;
  // Over the middle of the form, where the user is looking.
  int x = 0;
  int y = 0;
  ::Window child;
  XTranslateCoordinates(d_, form_, RootWindow(d_, screen_),
                        (layout_.client_width - w) / 2,
                        (layout_.client_height - h) / 2, &x, &y, &child);
  const ::Window box = make_toplevel(std::max(x, 0), std::max(y, 0), w, h,
                                     kMessageBoxTitle);
  XSetTransientForHint(d_, box, form_);
  const Atom dialog = XInternAtom(d_, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(d_, box, XInternAtom(d_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM,
                  32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog),
                  1);
  const Atom modal = XInternAtom(d_, "_NET_WM_STATE_MODAL", False);
  XChangeProperty(d_, box, XInternAtom(d_, "_NET_WM_STATE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&modal), 1);
  XMapRaised(d_, box);

  const int bx = (w - kButtonWidth) / 2;
  const int by = h - kMargin - kButtonHeight;
  auto on_button = [&](int px, int py) {
    return px >= bx && px < bx + kButtonWidth && py >= by && py < by + kButtonHeight;
  };
  bool pressed = false;
  for (bool open = true; open;) {
    XEvent ev;
    XNextEvent(d_, &ev);
    if (ev.xany.window == form_) {
      if (ev.type == Expose && ev.xexpose.count == 0) draw_form();
      continue;  // modal: the form takes no input while the box is up
    }
    if (ev.xany.window != box) continue;
    switch (ev.type) {
      case Expose:
        if (ev.xexpose.count == 0) draw_box(box, text, w, h, pressed);
        break;
      case MapNotify:
        XSetInputFocus(d_, box, RevertToParent, CurrentTime);
        break;
      case ButtonPress:
        if (ev.xbutton.button == Button1 && on_button(ev.xbutton.x, ev.xbutton.y)) {
          pressed = true;
          draw_box(box, text, w, h, pressed);
        }
        break;
      case ButtonRelease:
        if (ev.xbutton.button == Button1 && pressed) {
          open = !on_button(ev.xbutton.x, ev.xbutton.y);
          pressed = false;
          if (open) draw_box(box, text, w, h, pressed);
        }
        break;
      case KeyPress: {
        const KeySym key = XLookupKeysym(&ev.xkey, 0);
        open = !(key == XK_Return || key == XK_KP_Enter || key == XK_space ||
                 key == XK_Escape);
        break;
      }
      case ClientMessage:
        open = !(ev.xclient.message_type == wm_protocols_ &&
                 static_cast<Atom>(ev.xclient.data.l[0]) == wm_delete_);
        break;
      default:
        break;
    }
  }
  XDestroyWindow(d_, box);
  XSync(d_, False);
}

}  // namespace

std::unique_ptr<Window> open_x11_window(const char* display_name) {
  static const bool threads = XInitThreads() != 0;
  (void)threads;
  Display* d = XOpenDisplay(display_name);
  if (!d) return nullptr;
  return std::make_unique<X11Window>(d);
}

}  // namespace scenarioc
