// Inside the window surface: what the window asks of X11 itself, where SDL
// has no way or a poor one. On any other video driver (Wayland) each of these
// says so and the caller goes SDL's way.
#pragma once

#include <SDL.h>

#include <string>

// SDL_Init(SDL_INIT_VIDEO) once more, holding a connection of our own to the
// X server named by DISPLAY: an X server left without clients starts afresh
// and closes every connection still being set up, and one held keeps it from
// that. False, with SDL's last error kept, when SDL fails again or no server
// takes our connection (at once for a display nobody serves).
bool InitVideoHoldingX11Server();
// The desktop's scale for the window's default size (DesktopFactor of
// Xft.dpi in the X resource database and GDK_SCALE); 1 off X11, where the
// compositor scales a window that asks for it.
int DesktopFactorOf(SDL_Window* window);
// Asks the clipboard's owner for its text, which arrives later as an event
// of the window's (ClipboardAnswer) while the window goes on serving the
// others. SDL's own reading waits a second for a slow owner, then takes the
// clipboard itself, emptied. False off X11.
bool AskClipboard(SDL_Window* window);
// Whether `event` is the owner's answer; its text (UTF-8; empty when the
// owner refused or there is no owner) into `utf8`.
bool ClipboardAnswer(SDL_Window* window, const SDL_Event& event, std::string* utf8);
// No answer is wanted any more: the events that carry one stop.
void StopClipboardAnswers();
