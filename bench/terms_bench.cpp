// Speed of the term language: evaluating translated terms (the inner step of
// the point generation), translating terms, and the same terms in muparser as
// a reference evaluator measured in the same run.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <string>

#include "terms/terms.h"

namespace {

struct BenchTerm {
  const char* name;
  const char* ours;      // in our term language
  const char* muparser;  // the same term in muparser's syntax
};

// The program's built-in default terms, and one long term with functions.
constexpr BenchTerm kTerms[] = {
    {"default_y_abs_sgn", "y-abs(-0.3*x-0.2)*sgn(x)", "y-abs(-0.3*x-0.2)*sign(x)"},
    {"default_2_minus_x", "2-x", "2-x"},
    {"default_half_x", "0.5*x", "0.5*x"},
    {"default_half_y", "0.5*y", "0.5*y"},
    {"default_half_x_half", "0.5*x+0.5", "0.5*x+0.5"},
    {"default_half_x_quarter", "0.5*x+0.25", "0.5*x+0.25"},
    {"default_half_y_half", "0.5*y+0.5", "0.5*y+0.5"},
    {"long_functions",
     "sin(x)*cos(y)+sqr(abs(x*y))-atn(y/x)+exp(-x*x)*log(1+y*y)+tan(x/3)^2-1.2345E-3*x^3",
     "sin(x)*cos(y)+sqrt(abs(x*y))-atan(y/x)+exp(-x*x)*ln(1+y*y)+tan(x/3)^2-1.2345E-3*x^3"},
};

constexpr double kPointX = 0.3;
constexpr double kPointY = 0.7;

void EvaluateOurs(benchmark::State& state, const BenchTerm& term) {
  const std::string translated = TranslateTerm(term.ours);
  double x = kPointX;
  double y = kPointY;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(EvaluateTerm(translated, x, y, 0));
  }
}

// optimize: muparser folds constants and fuses "a*x+b" into one bytecode
// step; without it every operation of the term is a step, as in ours.
void EvaluateMuparser(benchmark::State& state, const BenchTerm& term, bool optimize) {
  double x = kPointX;
  double y = kPointY;
  mu::Parser parser;
  parser.EnableOptimizer(optimize);
  parser.DefineVar("x", &x);
  parser.DefineVar("y", &y);
  parser.SetExpr(term.muparser);
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(parser.Eval());
  }
}

void Translate(benchmark::State& state, const BenchTerm& term) {
  for (auto _ : state) benchmark::DoNotOptimize(TranslateTerm(term.ours));
}

void NumberRead(benchmark::State& state, const char* text) {
  for (auto _ : state) benchmark::DoNotOptimize(NumberValue(text));
}

void NumberWrite(benchmark::State& state, double value) {
  for (auto _ : state) benchmark::DoNotOptimize(NumberText(value));
}

int RegisterAll() {
  for (const BenchTerm& t : kTerms) {
    benchmark::RegisterBenchmark((std::string("EvaluateTerm/") + t.name).c_str(), EvaluateOurs, t);
    benchmark::RegisterBenchmark((std::string("Muparser/") + t.name).c_str(), EvaluateMuparser, t,
                                 true);
    benchmark::RegisterBenchmark((std::string("MuparserUnoptimized/") + t.name).c_str(),
                                 EvaluateMuparser, t, false);
  }
  for (const BenchTerm& t : kTerms) {
    benchmark::RegisterBenchmark((std::string("TranslateTerm/") + t.name).c_str(), Translate, t);
  }
  benchmark::RegisterBenchmark("NumberValue/short", NumberRead, ".25");
  benchmark::RegisterBenchmark("NumberValue/exponent", NumberRead, "1.23456789012346E+17");
  benchmark::RegisterBenchmark("NumberValue/long", NumberRead,
                               "3.14159265358979323846264338327950288419716939937510");
  benchmark::RegisterBenchmark("NumberText/pi", NumberWrite, 3.14159265358979);
  return 0;
}
const int kRegistered = RegisterAll();

}  // namespace

BENCHMARK_MAIN();
