// X11 by hand: the resource database and the clipboard's selection, on the
// display connection SDL opened for the window (the window thread's own);
// and before that, at start, a connection of our own while SDL makes its.
#include "display/window/x11.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

#include "display/window/picture.h"

namespace {

// Where the owner puts its answer, on the window.
constexpr const char* kPasteProperty = "PUNKTMUSTER_PASTE";
// More than a paste can use (it is cut at 4096 keys, at most 4 bytes each),
// in the 32-bit units Xlib counts in.
constexpr long kMostAnswer32 = 4096;

struct X11Window {
  Display* display;
  Window window;
};

bool X11Of(SDL_Window* window, X11Window* x) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  *x = {info.info.x11.display, info.info.x11.window};
  return true;
}

// A resource of the database the desktop keeps on the server (xrdb); "" when
// not set.
std::string ResourceOf(Display* display, const char* name, const char* class_name) {
  const char* all = XResourceManagerString(display);
  if (!all) return "";
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(all);
  std::string value;
  char* type = nullptr;
  XrmValue found;
  if (db && XrmGetResource(db, name, class_name, &type, &found) && found.addr) value = found.addr;
  if (db) XrmDestroyDatabase(db);
  return value;
}

}  // namespace

int DesktopFactorOf(SDL_Window* window) {
  X11Window x;
  if (!X11Of(window, &x)) return 1;
  std::string dpi = ResourceOf(x.display, "Xft.dpi", "Xft.Dpi");
  return DesktopFactor(dpi.empty() ? nullptr : dpi.c_str(), std::getenv("GDK_SCALE"));
}

bool InitVideoHoldingX11Server() {
  // Two threads use Xlib later; SDL's own try has done this already, unless
  // it failed before, and doing it twice is harmless.
  XInitThreads();
  Display* held = XOpenDisplay(nullptr);
  if (!held) return false;
  const bool made = SDL_Init(SDL_INIT_VIDEO) == 0;
  XCloseDisplay(held);
  return made;
}

bool AskClipboard(SDL_Window* window) {
  X11Window x;
  if (!X11Of(window, &x)) return false;
  Atom property = XInternAtom(x.display, kPasteProperty, False);
  // The answer comes as an X event, which SDL hands on only while asked to.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  XDeleteProperty(x.display, x.window, property);  // an answer no longer wanted
  XConvertSelection(x.display, XInternAtom(x.display, "CLIPBOARD", False),
                    XInternAtom(x.display, "UTF8_STRING", False), property, x.window, CurrentTime);
  XFlush(x.display);
  return true;
}

bool ClipboardAnswer(SDL_Window* window, const SDL_Event& event, std::string* utf8) {
  if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& e = event.syswm.msg->msg.x11.event;
  X11Window x;
  if (e.type != SelectionNotify || !X11Of(window, &x) || e.xselection.requestor != x.window) {
    return false;
  }
  utf8->clear();
  Atom property = XInternAtom(x.display, kPasteProperty, False);
  if (e.xselection.property != property) return true;  // refused, or nobody owns it
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x.display, x.window, property, 0, kMostAnswer32, False, AnyPropertyType,
                         &type, &format, &count, &left, &data) == Success &&
      data) {
    // A large text comes in pieces (INCR): no paste needs that much.
    if (format == 8 && type != XInternAtom(x.display, "INCR", False)) {
      utf8->assign(reinterpret_cast<const char*>(data), count);
    }
    XFree(data);
  }
  XDeleteProperty(x.display, x.window, property);
  return true;
}

void StopClipboardAnswers() {
  SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}
