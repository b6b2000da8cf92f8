// A clipboard owner that answers slowly: it holds a text on the CLIPBOARD and
// answers each request for it only after a delay, as a busy or a remote
// owner does. It runs until it loses the clipboard (status 3, with a line on
// stderr) or is stopped.
// Usage: slow_clipboard TEXT DELAY_MS
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

// A requestor that went away meanwhile is no reason to stop serving.
static int ignore(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  return 0;
}

static void sleep_ms(long ms) {
  struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&pause, NULL);
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const char* text = argv[1];
  long delay_ms = atol(argv[2]);
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  XSetErrorHandler(ignore);
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  Atom targets = XInternAtom(d, "TARGETS", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom text_atom = XInternAtom(d, "TEXT", False);
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  if (XGetSelectionOwner(d, clipboard) != w) return 1;
  XFlush(d);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == SelectionClear) {
      fprintf(stderr, "slow_clipboard: another program took the clipboard\n");
      return 3;
    }
    if (e.type != SelectionRequest) continue;
    XSelectionRequestEvent* r = &e.xselectionrequest;
    sleep_ms(delay_ms);
    // Old requestors name no property: the target is the property then.
    Atom property = r->property != None ? r->property : r->target;
    if (r->target == targets) {
      Atom offered[] = {targets, utf8, XA_STRING, text_atom};
      XChangeProperty(d, r->requestor, property, XA_ATOM, 32, PropModeReplace,
                      (unsigned char*)offered, 4);
    } else if (r->target == utf8 || r->target == XA_STRING || r->target == text_atom) {
      Atom type = r->target == XA_STRING ? XA_STRING : utf8;
      XChangeProperty(d, r->requestor, property, type, 8, PropModeReplace,
                      (const unsigned char*)text, (int)strlen(text));
    } else {
      property = None;  // refused
    }
    XEvent answer = {0};
    answer.xselection.type = SelectionNotify;
    answer.xselection.requestor = r->requestor;
    answer.xselection.selection = r->selection;
    answer.xselection.target = r->target;
    answer.xselection.property = property;
    answer.xselection.time = r->time;
    XSendEvent(d, r->requestor, False, NoEventMask, &answer);
    XFlush(d);
  }
}
