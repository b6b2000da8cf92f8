// Soak tests on the headless surface: whole program runs and single editor
// calls driven by random input. Nothing may crash or hang, the resident
// memory may not keep growing, and the editor's cursor must stay in its field.
//
// SOAK_SECONDS (default 60) bounds both tests together; the seed is printed at
// the start and SOAK_SEED replays it; SOAK_RUN=k replays only run k;
// SOAK_VERBOSE=1 prints the story and time of every program run. Some runs
// also get keys typed at random moments of the virtual clock, mostly while
// the program draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "main/program.h"
#include "soak_gen.h"
#include "textscreen/textscreen.h"

namespace {

using soak::CellSize;
using soak::Chance;
using soak::Pick;
using soak::PickFrom;
using soak::Rng;

constexpr double kDefaultSoakSeconds = 60;
// Share of the time for whole program runs; the rest goes to the editor.
constexpr double kProgramShare = 0.75;
// One program run or editor call that takes longer than this hangs.
constexpr int kHangLimitSeconds = 180;
// Memory: samples taken after each run; the first quarter is warm-up.
constexpr std::size_t kMinMemorySamples = 8;
constexpr long kGrowthMarginKb = 64 * 1024;
// The address sanitizer holds freed memory in a quarantine of 256 MB.
constexpr long kSanitizerGrowthMarginKb = (256 + 64) * 1024;

constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kLightGrey = 0xD0D0D0;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

double SoakSeconds() {
  const char* text = std::getenv("SOAK_SECONDS");
  double seconds = text ? std::atof(text) : kDefaultSoakSeconds;
  return seconds > 0 ? seconds : kDefaultSoakSeconds;
}

// The seed of this process: SOAK_SEED, or the clock, printed once either way.
std::uint64_t SoakSeed() {
  static const std::uint64_t seed = [] {
    const char* text = std::getenv("SOAK_SEED");
    std::uint64_t value = text ? std::strtoull(text, nullptr, 10)
                               : static_cast<std::uint64_t>(
                                     std::chrono::system_clock::now().time_since_epoch().count());
    std::printf("soak: SOAK_SEED=%llu\n", static_cast<unsigned long long>(value));
    std::fflush(stdout);
    return value;
  }();
  return seed;
}

// Run k of a seed draws from a generator of its own, so it replays alone.
Rng RunGenerator(std::uint64_t seed, long run) {
  constexpr std::uint64_t kSpread = 0x9E3779B97F4A7C15ull;
  return Rng(seed ^ (static_cast<std::uint64_t>(run) + 1) * kSpread);
}

// The run to replay alone (SOAK_RUN), or -1.
long ReplayedRun() {
  const char* text = std::getenv("SOAK_RUN");
  return text ? std::atol(text) : -1;
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A hang cannot be failed from inside: a watchdog thread ends the process
// with the seed and the story of the run that hangs.
struct Watchdog {
  std::atomic<bool> stop{false};
  std::atomic<long long> started_ms{-1};  // start of the current run, -1 between runs
  std::atomic<long> run{0};
  std::atomic<const std::string*> story{nullptr};
  std::thread thread;
};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void WatchOver(Watchdog& dog) {
  constexpr auto kLookInterval = std::chrono::milliseconds(200);
  while (!dog.stop) {
    std::this_thread::sleep_for(kLookInterval);
    long long started = dog.started_ms;
    if (started < 0 || NowMs() - started < kHangLimitSeconds * 1000LL) continue;
    const std::string* story = dog.story;
    std::fprintf(stderr, "soak: run %ld of SOAK_SEED=%llu hangs (over %d s):\n%s", dog.run.load(),
                 static_cast<unsigned long long>(SoakSeed()), kHangLimitSeconds,
                 story ? story->c_str() : "");
    std::abort();
  }
}

void StartWatch(Watchdog& dog, long run, const std::string* story) {
  dog.run = run;
  dog.story = story;
  dog.started_ms = NowMs();
}

void EndWatch(Watchdog& dog) {
  dog.started_ms = -1;
}

// The text font's cell, as the program's screens use it.
CellSize MeasureCell() {
  HeadlessReset();
  OpenWindow("soak", 100, 100, 1030, 630);
  SelectFont(CreateFont("Courier New", 16, 0));
  Extent cell = TextCellSize();
  HeadlessReset();
  return {static_cast<int>(cell.width), static_cast<int>(cell.height)};
}

// Resident size must not climb: the end of the soak is compared with the
// time just after the warm-up (freed memory that the allocator keeps is no
// growth, hence the generous margin).
void ExpectNoSteadyGrowth(const std::vector<long>& samples_kb, const char* what) {
  if (samples_kb.size() < kMinMemorySamples) return;
  auto median = [](std::vector<long> part) {
    std::sort(part.begin(), part.end());
    return part[part.size() / 2];
  };
  std::size_t quarter = samples_kb.size() / 4;
  long after_warm_up =
      median(std::vector<long>(samples_kb.begin() + quarter, samples_kb.begin() + 2 * quarter));
  long at_end = median(std::vector<long>(samples_kb.end() - quarter, samples_kb.end()));
  long margin = kUnderAddressSanitizer ? kSanitizerGrowthMarginKb : kGrowthMarginKb;
  std::printf("soak: %s resident %ld kB after warm-up, %ld kB at the end\n", what, after_warm_up,
              at_end);
  EXPECT_LE(at_end - after_warm_up, margin) << what << ": resident memory keeps growing";
}

// The cursor cells in the print log must stand inside their fields. A field
// is the row of blanks painted white on black right behind its prompt (black
// on light grey); each redraw of the field's text starts at its first cell
// and is followed by the cursor cell: one character, black on white. Returns
// a description of the first stray cursor cell, or "", and counts the cursor
// cells it looked at in `checked` (none at all would mean it sees nothing).
// The first cursor cell of a call stands where the caller's start column (and
// a mask's fixed places) put it; the field's limits hold from the first event
// on, so that one is only held to the field's row and left edge.
std::string StrayCursorCell(const std::vector<PrintedText>& log, CellSize cell, long& checked) {
  constexpr int kRoundingPx = 1;  // fractional columns round to whole pixels
  int field_cells = 0;
  bool first_cursor = false;
  bool have_start = false;
  int start_x = 0;
  int start_y = 0;
  for (std::size_t k = 0; k < log.size(); ++k) {
    const PrintedText& p = log[k];
    bool white_on_black = p.foreground == kWhite && p.background == kBlack;
    if (white_on_black && k > 0 && log[k - 1].foreground == kBlack &&
        log[k - 1].background == kLightGrey && p.text.find_first_not_of(' ') == std::string::npos) {
      field_cells = static_cast<int>(p.text.size());
      first_cursor = true;
      have_start = false;
    } else if (white_on_black && field_cells > 0) {
      start_x = p.x;
      start_y = p.y;
      have_start = true;
    } else if (p.foreground == kBlack && p.background == kWhite && p.text.size() == 1) {
      ++checked;
      int last_x = start_x + (field_cells - 1) * cell.width;
      bool beyond = !first_cursor && p.x > last_x + kRoundingPx;
      first_cursor = false;
      if (!have_start || p.y != start_y || p.x < start_x - kRoundingPx || beyond) {
        return "cursor cell at pixel (" + std::to_string(p.x) + ", " + std::to_string(p.y) +
               ") outside the field of " + std::to_string(field_cells) + " cells at (" +
               std::to_string(start_x) + ", " + std::to_string(start_y) + ")";
      }
    }
  }
  return "";
}

// ---------------------------------------------------------------- whole program

TEST(Soak, ProgramSurvivesRandomInput) {
  std::uint64_t seed = SoakSeed();
  double budget = SoakSeconds() * kProgramShare;
  long replay = ReplayedRun();
  bool verbose = std::getenv("SOAK_VERBOSE") != nullptr;
  CellSize cell = MeasureCell();
  Watchdog dog;
  dog.thread = std::thread(WatchOver, std::ref(dog));

  auto start = std::chrono::steady_clock::now();
  std::vector<long> resident_kb;
  long runs = 0;
  long passes = 0;
  long cursor_cells = 0;
  std::size_t inputs = 0;
  std::size_t timed_keys = 0;
  std::size_t timed_keys_typed = 0;  // their moment came before the run ended
  for (long run = replay >= 0 ? replay : 0; replay < 0 || run == replay; ++run) {
    if (replay < 0 && SecondsSince(start) >= budget) break;
    Rng rng = RunGenerator(seed, run);
    soak::Scenario scenario = soak::MakeScenario(rng, cell);
    SCOPED_TRACE("SOAK_SEED=" + std::to_string(seed) + " SOAK_RUN=" + std::to_string(run) + "\n" +
                 scenario.story);

    HeadlessReset();
    RestartRandom();
    HeadlessScript(scenario.script);
    for (const soak::TimedKey& timed : scenario.timed_keys)
      HeadlessPressKeyAt(timed.clock_ms, timed.key);
    auto run_start = std::chrono::steady_clock::now();
    StartWatch(dog, run, &scenario.story);
    RunProgram();
    EndWatch(dog);

    if (verbose)
      std::printf("soak: run %ld, %.3f s, %.0f ms virtual:\n%s", run, SecondsSince(run_start),
                  HeadlessClockMs(), scenario.story.c_str());
    EXPECT_EQ(StrayCursorCell(HeadlessPrintLog(), cell, cursor_cells), "");
    ++runs;
    passes += scenario.passes;
    timed_keys += scenario.timed_keys.size();
    for (const soak::TimedKey& timed : scenario.timed_keys)
      timed_keys_typed += timed.clock_ms <= HeadlessClockMs();
    inputs += scenario.script.size() - HeadlessScriptLeft();
    resident_kb.push_back(ResidentKb());
    if (HasFailure()) break;
  }
  dog.stop = true;
  dog.thread.join();
  HeadlessReset();

  std::printf(
      "soak: %ld program runs, %ld passes, %zu inputs, %zu timed keys (%zu typed), %ld cursor "
      "cells in %.1f s\n",
      runs, passes, inputs, timed_keys, timed_keys_typed, cursor_cells, SecondsSince(start));
  EXPECT_GT(runs, 0);
  EXPECT_GT(cursor_cells, 0);
  ExpectNoSteadyGrowth(resident_kb, "program soak");
}

// ---------------------------------------------------------------- the editor alone

// One call of the editor with everything it needs to judge the outcome.
struct EditorCall {
  std::string prompt;  // the displayed prompt, without the mask
  std::string mask;
  bool masked;
  std::string default_text;
  double row;
  double column;
  double cursor;  // the cursor column handed in
  double width;   // as handed in; 0 means the rest of 75 cells
  int cells;      // the field's real width
  double start;   // screen column of the field's first cell
  std::vector<ScriptedInput> events;
};

constexpr const char* kPrompts[] = {"Zahl der Funktionenpaare",
                                    " 1.Term [x=] f(x,y)",
                                    " 12.Term [y=] g(x,y)",
                                    "Anzeigebereich ",
                                    "Wert?",
                                    "Name:",
                                    "",
                                    "a",
                                    "Ein recht langer Text vor dem Feld, 40 Z."};
// Mask characters: the three classes, a fixed blank, and one that takes all.
constexpr char kMaskCharacters[] = {'H', 'D', 'B', ' ', 'X'};
constexpr int kLineCells = 75;
constexpr int kMaxWidth = 60;
constexpr int kMaxMaskLength = 12;
constexpr int kMaxDefaultLength = 70;
constexpr int kMaxEvents = 40;
constexpr int kFirstColumns = 20;

std::string RandomText(Rng& rng, int max_length) {
  std::string text;
  for (int n = Pick(rng, max_length + 1); n > 0; --n) text += soak::PrintableKey(rng);
  return text;
}

// A mask no longer than the field and not ending in a fixed blank, so that
// stepping over its fixed blanks at the start stays inside the field.
std::string RandomMask(Rng& rng, int cells) {
  std::string mask;
  for (int n = Pick(rng, std::min(cells, kMaxMaskLength) + 1); n > 0; --n)
    mask += PickFrom(rng, kMaskCharacters);
  if (!mask.empty() && mask.back() == ' ') mask.back() = 'X';
  return mask;
}

ScriptedInput RandomEvent(Rng& rng, CellSize cell, const EditorCall& call) {
  int whole_row = static_cast<int>(call.row);
  int choice = Pick(rng, 100);
  if (choice < 35) return soak::Key(soak::PrintableKey(rng));
  if (choice < 45) return soak::Key(std::string(1, soak::kBackspace));
  if (choice < 70) return soak::Extended(71 + Pick(rng, 13));
  if (choice < 75) return soak::Extended(1 + Pick(rng, 255));
  if (choice < 90)
    return soak::ClickCell(rng, cell, whole_row, 1 + Pick(rng, soak::kScreenColumns),
                           Chance(rng, 0.3));
  if (choice < 93) {
    int other = 1 + Pick(rng, soak::kScreenRows - 1);
    if (other >= whole_row) ++other;
    return soak::ClickCell(rng, cell, other, 1 + Pick(rng, soak::kScreenColumns), false);
  }
  if (choice < 96) return soak::Key(std::string(1, soak::kEnter));
  if (choice < 98) return soak::Key(std::string(1, soak::kEscape));
  return soak::CloseWindow();
}

EditorCall RandomEditorCall(Rng& rng, CellSize cell) {
  EditorCall call;
  call.prompt = PickFrom(rng, kPrompts);
  if (!call.prompt.empty() && call.prompt.find_first_of(":?") == std::string::npos)
    call.prompt += ": ";
  int prompt_cells = static_cast<int>(call.prompt.size());
  call.width = Chance(rng, 0.3) ? 0 : 1 + Pick(rng, kMaxWidth);
  call.cells = call.width == 0 ? kLineCells - prompt_cells : static_cast<int>(call.width);
  call.masked = Chance(rng, 0.3);
  call.mask = call.masked ? RandomMask(rng, call.cells) : "";
  call.default_text = RandomText(rng, kMaxDefaultLength);
  call.row = 1 + Pick(rng, soak::kScreenRows) + (Chance(rng, 0.1) ? 0.5 : 0);
  call.column = 1 + Pick(rng, kFirstColumns) + (Chance(rng, 0.1) ? 0.5 : 0);
  call.start = call.column + prompt_cells;
  int where = Pick(rng, 3);
  call.cursor = where == 0   ? 0
                : where == 1 ? call.start + Pick(rng, call.cells)
                             : Pick(rng, static_cast<int>(call.start) + call.cells);
  for (int n = 1 + Pick(rng, kMaxEvents); n > 0; --n)
    call.events.push_back(RandomEvent(rng, cell, call));
  return call;
}

// The cell a click lands on, as the text screen computes it.
int CellOf(double pixel, int cell_size) {
  constexpr int kMaxCode = 255;
  int cell = static_cast<int>(std::nearbyint(pixel)) / cell_size + 1;
  return std::clamp(cell, 1, kMaxCode);
}

// What the call's cursor column and result must be, judged by the event that
// ended it; returns a description of the first mismatch, or "".
std::string JudgeEditorCall(const EditorCall& call, CellSize cell, const std::string& result,
                            double cursor) {
  constexpr int kMaxCode = 255;
  auto code = [](const std::string& r, int k) { return static_cast<unsigned char>(r[k]); };
  if (result.size() < 2) return "result shorter than two characters";
  if (result.size() > 2 && result.back() == ' ') return "trailing blank in the result";

  std::size_t consumed = call.events.size() - HeadlessScriptLeft();
  const ScriptedInput* last = consumed > 0 ? &call.events[consumed - 1] : nullptr;
  bool escaped = !WindowIsOpen() ||
                 (last && last->kind == kScriptKey && last->key == std::string(1, soak::kEscape));
  if (escaped) {
    if (cursor != 0 || code(result, 0) != 0 || code(result, 1) != 0)
      return "ESC left cursor column " + std::to_string(cursor);
    return "";
  }
  if (!last) return "ended before any input";

  double column_fraction = call.column - std::trunc(call.column);
  double row_fraction = call.row - std::trunc(call.row);
  double last_cell = call.start + call.cells - 1;
  int expected_code = std::min(static_cast<int>(std::trunc(cursor)), kMaxCode);
  if (code(result, 1) != expected_code) return "result column code differs from the cursor";

  if (last->kind == kScriptClick) {
    int clicked_row = CellOf(last->y, cell.height);
    int clicked_column = CellOf(last->x, cell.width);
    if (row_fraction + clicked_row == call.row) return "a click on the field's row ended it";
    if (cursor != column_fraction + clicked_column)
      return "click on another row: cursor column " + std::to_string(cursor) + " not the clicked " +
             std::to_string(clicked_column);
    return "";
  }
  if (last->key == std::string(1, soak::kEnter)) {
    if (cursor != call.start) return "Enter: cursor column " + std::to_string(cursor);
    return "";
  }
  bool up_or_down = last->key == ExtendedKey(kScanUp) || last->key == ExtendedKey(kScanDown);
  if (!up_or_down) return "ended by an event that does not end the input";
  if (cursor < call.start || cursor > last_cell)
    return "cursor column " + std::to_string(cursor) + " outside the field " +
           std::to_string(call.start) + " .. " + std::to_string(last_cell);
  return "";
}

std::string DescribeCall(const EditorCall& call) {
  return "prompt '" + call.prompt + (call.masked ? "|" + call.mask : "") + "' default '" +
         call.default_text + "' row " + std::to_string(call.row) + " column " +
         std::to_string(call.column) + " cursor " + std::to_string(call.cursor) + " width " +
         std::to_string(call.width) + ", " + std::to_string(call.events.size()) + " events";
}

TEST(Soak, EditorCursorStaysInItsField) {
  std::uint64_t seed = SoakSeed();
  double budget = SoakSeconds() * (1 - kProgramShare);
  long replay = ReplayedRun();
  CellSize cell = MeasureCell();
  Watchdog dog;
  dog.thread = std::thread(WatchOver, std::ref(dog));
  constexpr long kCallsPerSample = 200;

  auto start = std::chrono::steady_clock::now();
  std::vector<long> resident_kb;
  long calls = 0;
  long cursor_cells = 0;
  for (long run = replay >= 0 ? replay : 0; replay < 0 || run == replay; ++run) {
    if (replay < 0 && SecondsSince(start) >= budget) break;
    Rng rng = RunGenerator(~seed, run);
    EditorCall call = RandomEditorCall(rng, cell);
    std::string story = DescribeCall(call);
    SCOPED_TRACE("SOAK_SEED=" + std::to_string(seed) + " SOAK_RUN=" + std::to_string(run) + ": " +
                 story);

    HeadlessReset();
    OpenWindow("soak", 100, 100, 1030, 630);
    SelectFont(CreateFont("Courier New", 16, 0));
    HeadlessScript(call.events);
    double cursor = call.cursor;
    StartWatch(dog, run, &story);
    std::string result = EditLine(call.prompt + (call.masked ? "|" + call.mask : ""),
                                  call.default_text, call.row, call.column, cursor, call.width);
    EndWatch(dog);

    EXPECT_EQ(JudgeEditorCall(call, cell, result, cursor), "");
    EXPECT_EQ(StrayCursorCell(HeadlessPrintLog(), cell, cursor_cells), "");
    ++calls;
    if (calls % kCallsPerSample == 0) resident_kb.push_back(ResidentKb());
    if (HasFailure()) break;
  }
  dog.stop = true;
  dog.thread.join();
  HeadlessReset();

  std::printf("soak: %ld editor calls, %ld cursor cells in %.1f s\n", calls, cursor_cells,
              SecondsSince(start));
  EXPECT_GT(calls, 0);
  EXPECT_GT(cursor_cells, 0);
  ExpectNoSteadyGrowth(resident_kb, "editor soak");
}

}  // namespace
