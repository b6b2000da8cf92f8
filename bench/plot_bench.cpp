// One whole drawing of the default pairs on the headless surface (no pacing),
// and beside it only the term evaluations the same drawing makes, to see
// which share of a pass the evaluator takes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "display/headless/headless.h"
#include "main/program.h"
#include "terms/terms.h"

namespace {

constexpr int kStartSteps = 1000;
constexpr int kPoints = 200000;

std::vector<TermPair> DefaultPairs() {
  return {{TranslateTerm("0.5*x"), TranslateTerm("0.5*y")},
          {TranslateTerm("0.5*x+0.5"), TranslateTerm("0.5*y")},
          {TranslateTerm("0.5*x+0.25"), TranslateTerm("0.5*y+0.5")}};
}

void BM_WholePass(benchmark::State& state) {
  HeadlessReset();
  StartUp();
  std::vector<TermPair> pairs = DefaultPairs();
  for (auto _ : state) {
    state.PauseTiming();
    HeadlessReset();
    StartUp();
    RestartRandom();
    state.ResumeTiming();
    PlotPoints(3, pairs, {0, 0, 1, 1});
  }
  state.counters["points"] = kPoints;
}
BENCHMARK(BM_WholePass)->Unit(benchmark::kMillisecond);

// The same 2 x (1000 + 200000) evaluations in the same order, nothing else.
void BM_EvaluationsOfOnePass(benchmark::State& state) {
  HeadlessReset();
  StartUp();
  std::vector<TermPair> pairs = DefaultPairs();
  for (auto _ : state) {
    RestartRandom();
    double x = 0, y = 0;
    for (int step = 0; step < kStartSteps; step++) {
      double nx = EvaluateTerm(pairs[0].f, x, y, 0);
      y = EvaluateTerm(pairs[0].g, x, y, 0);
      x = nx;
    }
    for (int k = 0; k < kPoints; k++) {
      double p = std::floor(std::min(NextRandom() * 3 + 1, 3.0));
      const TermPair& pair = pairs[static_cast<std::size_t>(p) - 1];
      double nx = EvaluateTerm(pair.f, x, y, 0);
      y = EvaluateTerm(pair.g, x, y, 0);
      x = nx;
    }
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}
BENCHMARK(BM_EvaluationsOfOnePass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
