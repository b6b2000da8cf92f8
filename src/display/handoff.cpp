// The hand-off between the window thread and the logic thread: the one-key
// buffer, the click record, the keys of a paste still to be typed, the open
// flag, the logic's requests to the window and the wake-up of the window
// thread. One struct, one lock; every change
// that a waiter may be waiting for is made under the lock and signalled, so
// no signal can be lost and nobody needs to wake up to look.
#include "display/handoff.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "display/codepage.h"
#include "display/surface.h"

namespace {

// A paste longer than this is cut: no field holds more than a row, and a
// whole form of terms fits many times over.
constexpr std::size_t kLongestPasteKeys = 4096;

// Everything handed over, with its state at the start.
struct HandoffState {
  // Put by the window thread (or a test), taken by the logic thread.
  std::string key;          // the one pending key, "" when none
  bool key_pasted = false;  // `key` came from `paste`, not from the user's own typing
  Click click = {kNoClick, 0, 0};
  bool double_follows = false;  // `click` is the first report of a double click
  bool open = false;
  // Put by the window thread, typed into `key` one at a time by whoever
  // finds the logic waiting with nothing pending.
  std::string paste;  // Windows-1252 keys, the next first
  // Set and cleared by the logic thread around its wait for input.
  bool waiting = false;

  // Asked by the logic thread, answered by the window thread.
  bool open_wanted = false;
  std::string caption;  // Windows-1252
  int left_px = 0;
  int top_px = 0;
  bool made = false;    // the window exists, or could not be made
  bool closed = false;  // closed by the user, a signal or the end; for good
  bool finish = false;  // the program has ended

  // Claimed by the logic thread, cleared by the window thread when it
  // presents.
  bool wake_pending = false;
  bool wakes_allowed = false;
};

// The state and the one lock that guards it.
struct Handoff : HandoffState {
  std::mutex lock;
  std::condition_variable changed;
};

// Kept for the whole run (never destroyed, so exit in any thread is safe).
Handoff& g_handoff = *new Handoff;

bool PendingOrClosed(const Handoff& h) {
  return !h.key.empty() || h.click.kind != kNoClick || !h.open;
}

// Bytes of the key that begins at `at` of a list of keys: an extended key is
// NUL and its scan code, every other key one character.
std::size_t KeyBytes(const std::string& keys, std::size_t at) {
  return keys[at] == '\0' && at + 1 < keys.size() ? 2 : 1;
}

// The next key of a paste goes into the buffer only while the logic waits
// and has taken everything before it: the one-key buffer loses none, and a
// message or a drawing, which never wait here, never sees one.
void FeedPaste(HandoffState& h) {
  if (!h.waiting || h.paste.empty() || !h.key.empty() || h.click.kind != kNoClick) return;
  std::size_t bytes = KeyBytes(h.paste, 0);
  h.key = h.paste.substr(0, bytes);
  h.key_pasted = true;
  h.paste.erase(0, bytes);
}

// The user's own input ends a paste: its rest goes, and so does its key
// still in the buffer, which would otherwise be read after the user's click
// and go to whatever reads keys next (a message, a drawing, the next field).
void DropPaste(HandoffState& h) {
  h.paste.clear();
  if (h.key_pasted) h.key.clear();
  h.key_pasted = false;
}

// A pasted text as typed keys: each line break (LF, CR or CRLF) is Enter;
// TAB, other control characters and what the code page cannot hold go.
std::string PastedKeys(const std::string& utf8) {
  std::string keys;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = utf8.find_first_of("\r\n", start);
    keys += FromUtf8(utf8.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos || keys.size() >= kLongestPasteKeys) break;
    keys += kKeyEnter;
    start = end + (utf8.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  if (keys.size() > kLongestPasteKeys) keys.resize(kLongestPasteKeys);
  return keys;
}

}  // namespace

void PutKey(const std::string& key) {
  if (key.empty() || (key.size() == 1 && key[0] == kKeyTab)) return;
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    DropPaste(g_handoff);
    g_handoff.key = key;
  }
  g_handoff.changed.notify_all();
}

void PutClick(double x, double y, ClickKind kind) {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.click = {kind, x, y};
    g_handoff.double_follows = false;
    DropPaste(g_handoff);
  }
  g_handoff.changed.notify_all();
}

void PutDoubleClick(double x, double y) {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.click = {kSingleClick, x, y};
    g_handoff.double_follows = true;
    DropPaste(g_handoff);
  }
  g_handoff.changed.notify_all();
}

void PutPaste(const std::string& utf8) {
  std::string keys = PastedKeys(utf8);
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    if (!g_handoff.waiting || !g_handoff.open) return;
    DropPaste(g_handoff);  // a new paste replaces what is left of the last
    g_handoff.paste = keys;
    FeedPaste(g_handoff);
  }
  g_handoff.changed.notify_all();
}

void PutText(const std::string& keys) {
  std::size_t last = 0;
  for (std::size_t at = 0; at < keys.size(); at += KeyBytes(keys, at)) last = at;
  if (last == 0) {
    PutKey(keys);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    if (!g_handoff.open) return;
    DropPaste(g_handoff);
    if (g_handoff.waiting) {
      g_handoff.paste = keys;
      FeedPaste(g_handoff);
    } else {
      g_handoff.key = keys.substr(last);
    }
  }
  g_handoff.changed.notify_all();
}

bool TakesPaste() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  return g_handoff.waiting && g_handoff.open;
}

void MarkWaiting(bool waiting) {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  g_handoff.waiting = waiting;
  FeedPaste(g_handoff);
}

void SetWindowOpen(bool open) {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.open = open;
  }
  g_handoff.changed.notify_all();
}

bool InputOrClosed() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  return PendingOrClosed(g_handoff);
}

std::string ReadKey() {
  NoteKeyRead();
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  std::string key;
  key.swap(g_handoff.key);
  g_handoff.key_pasted = false;
  return key;
}

Click ReadClick() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  Click click = g_handoff.click;
  if (g_handoff.double_follows) {
    g_handoff.click.kind = kDoubleClick;
    g_handoff.double_follows = false;
  } else {
    g_handoff.click.kind = kNoClick;
  }
  return click;
}

bool WindowIsOpen() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  return g_handoff.open;
}

void AwaitHandOver() {
  std::unique_lock<std::mutex> hold(g_handoff.lock);
  g_handoff.changed.wait(hold, [] { return PendingOrClosed(g_handoff); });
}

void AwaitClosedFor(double milliseconds) {
  std::unique_lock<std::mutex> hold(g_handoff.lock);
  auto span = std::chrono::duration<double, std::milli>(milliseconds);
  g_handoff.changed.wait_for(hold, span, [] { return g_handoff.closed; });
}

bool RequestWindow(const std::string& caption, int left_px, int top_px) {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  if (g_handoff.made || g_handoff.closed) return false;
  g_handoff.caption = caption;
  g_handoff.left_px = left_px;
  g_handoff.top_px = top_px;
  g_handoff.open_wanted = true;
  return true;
}

void AwaitWindowMade() {
  std::unique_lock<std::mutex> hold(g_handoff.lock);
  g_handoff.changed.wait(hold, [] { return g_handoff.made || g_handoff.closed; });
}

void RequestFinish() {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.finish = true;
    g_handoff.closed = true;
    g_handoff.open = false;
  }
  g_handoff.changed.notify_all();
}

bool WakesAllowed() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  return g_handoff.wakes_allowed;
}

bool ClaimWake() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  if (!g_handoff.wakes_allowed || g_handoff.wake_pending) return false;
  g_handoff.wake_pending = true;
  return true;
}

WindowRequest TakeRequest() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  const Handoff& h = g_handoff;
  return {h.finish, h.open_wanted && !h.made && !h.closed, h.caption, h.left_px, h.top_px};
}

void MarkWindowMade() {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.made = true;
    g_handoff.open = true;
  }
  g_handoff.changed.notify_all();
}

void MarkWindowClosed() {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    g_handoff.closed = true;
    g_handoff.made = true;
    g_handoff.open = false;
    g_handoff.wakes_allowed = false;
  }
  g_handoff.changed.notify_all();
}

void AllowWakes(bool allowed) {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  g_handoff.wakes_allowed = allowed && !g_handoff.closed;
}

void WakeArrived() {
  std::lock_guard<std::mutex> hold(g_handoff.lock);
  g_handoff.wake_pending = false;
}

void ResetHandoff() {
  {
    std::lock_guard<std::mutex> hold(g_handoff.lock);
    static_cast<HandoffState&>(g_handoff) = HandoffState{};
  }
  g_handoff.changed.notify_all();
}
