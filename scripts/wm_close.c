/* Asks a window to close as a window manager's close button does: sends it
 * WM_PROTOCOLS / WM_DELETE_WINDOW. For end-to-end tests on a bare X server,
 * where there is no window manager to click.
 * Usage: wm_close WINDOW-ID */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: wm_close WINDOW-ID\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "wm_close: cannot open the display\n");
    return 1;
  }
  Window w = (Window)strtoul(argv[1], NULL, 0);
  XEvent e;
  memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XSync(d, False);
  XCloseDisplay(d);
  return 0;
}
