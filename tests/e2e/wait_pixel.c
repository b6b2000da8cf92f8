// Waits until the named top-level window shows the given colour at one of its
// pixels, polling every 5 ms; exit status 0 when it did within the time, 1
// when not. Lets a test time a start-up to the first picture in milliseconds,
// where a screenshot takes half a second.
// Usage: wait_pixel WINDOW-NAME X Y RRGGBB SECONDS
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

// The window may not be mapped yet, or already gone, when its pixel is read:
// that is a reason to look again, not to end.
static int ignore(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  return 0;
}

// The window with that name, searched depth first from w.
static Window find(Display* d, Window w, const char* name) {
  char* n = NULL;
  if (XFetchName(d, w, &n) && n) {
    int same = strcmp(n, name) == 0;
    XFree(n);
    if (same) return w;
  }
  Window root, parent, *kids = NULL;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &kids, &count)) {
    for (unsigned int i = 0; i < count && !found; i++) found = find(d, kids[i], name);
    if (kids) XFree(kids);
  }
  return found;
}

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  const char* name = argv[1];
  int x = atoi(argv[2]), y = atoi(argv[3]);
  unsigned long want = strtoul(argv[4], NULL, 16);
  double seconds = atof(argv[5]);
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  XSetErrorHandler(ignore);
  struct timespec pause = {0, 5000000};
  for (double waited = 0; waited < seconds; waited += 0.005) {
    Window w = find(d, DefaultRootWindow(d), name);
    if (w) {
      XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
      if (image) {
        unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        if (pixel == want) return 0;
      }
    }
    nanosleep(&pause, NULL);
  }
  return 1;
}
