// The gallery's recipes (docs/recipes.txt), each drawn on the headless surface
// as the program would draw it after the user typed it: every term fits its
// input field and translates, no calculation error stands in the way, the
// figure stays in the window and fills enough of it to be seen. The guide
// must quote each recipe as the data file has it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "display/headless/headless.h"
#include "main/program.h"
#include "main/range_text.h"
#include "terms/terms.h"
#include "test_screen.h"

namespace {

constexpr int kAreaWidthPx = 1030;
// Field widths of the count input and of the term and range inputs.
constexpr std::size_t kCountFieldWidth = 10;
constexpr std::size_t kTermFieldWidth = 50;
constexpr double kMinShareInside = 0.9;
constexpr std::size_t kMinDistinctPixels = 5000;
constexpr std::size_t kMinRecipes = 6;

struct Recipe {
  std::string name;
  std::string count;
  std::vector<std::string> terms;  // f, g, f, g, ...
  std::string range;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Blocks of "key: value" lines, ended by a blank line; "#" starts a comment.
std::vector<Recipe> ReadRecipes(const std::string& path) {
  std::vector<Recipe> recipes;
  std::istringstream in(ReadFile(path));
  std::string line;
  Recipe current;
  auto finish = [&] {
    if (!current.name.empty()) recipes.push_back(current);
    current = Recipe{};
  };
  while (std::getline(in, line)) {
    if (line.empty()) {
      finish();
      continue;
    }
    if (line[0] == '#') continue;
    std::size_t colon = line.find(": ");
    if (colon == std::string::npos) {
      ADD_FAILURE() << "not a \"key: value\" line: " << line;
      continue;
    }
    std::string key = line.substr(0, colon);
    std::string value = line.substr(colon + 2);
    if (key == "name") current.name = value;
    if (key == "count") current.count = value;
    if (key == "f" || key == "g") current.terms.push_back(value);
    if (key == "range") current.range = value;
  }
  finish();
  return recipes;
}

TEST(RecipesTest, EveryRecipeDrawsItsFigure) {
  std::vector<Recipe> recipes = ReadRecipes(PUNKT_RECIPES);
  ASSERT_GE(recipes.size(), kMinRecipes);
  for (const Recipe& recipe : recipes) {
    SCOPED_TRACE(recipe.name);
    EXPECT_LE(recipe.count.size(), kCountFieldWidth);
    double n = NumberValue(recipe.count);
    ASSERT_GE(n, 1);
    ASSERT_EQ(recipe.terms.size(), 2 * static_cast<std::size_t>(std::floor(n)));
    EXPECT_LE(recipe.range.size(), kTermFieldWidth);

    OpenTextScreen();
    RestartRandom();
    std::vector<TermPair> pairs;
    for (std::size_t i = 0; i < recipe.terms.size(); i += 2) {
      EXPECT_LE(recipe.terms[i].size(), kTermFieldWidth) << recipe.terms[i];
      EXPECT_LE(recipe.terms[i + 1].size(), kTermFieldWidth) << recipe.terms[i + 1];
      TermPair pair = {TranslateTerm(recipe.terms[i]), TranslateTerm(recipe.terms[i + 1])};
      EXPECT_NE(pair.f, "") << recipe.terms[i];
      EXPECT_NE(pair.g, "") << recipe.terms[i + 1];
      pairs.push_back(pair);
    }
    DisplayRange range = ReadRangeText(recipe.range);
    ASSERT_NE(range.x1, range.x2);
    ASSERT_NE(range.y1, range.y2);
    PlotPoints(n, pairs, range);

    EXPECT_EQ(TimesPrinted(" Rechenfehler "), 0);
    std::size_t calls = HeadlessSetPixelCalls();
    const std::vector<PlottedPixel>& inside = HeadlessPixelLog();
    EXPECT_GE(static_cast<double>(inside.size()), kMinShareInside * static_cast<double>(calls))
        << inside.size() << " of " << calls << " points inside the drawing area";
    std::unordered_set<int> distinct;
    for (const PlottedPixel& p : inside) distinct.insert(p.y * kAreaWidthPx + p.x);
    EXPECT_GE(distinct.size(), kMinDistinctPixels);
  }
}

// The guide shows every recipe; a recipe changed in one place only would
// teach the reader a figure nobody has checked.
TEST(RecipesTest, GuideQuotesEveryRecipe) {
  std::string guide = ReadFile(PUNKT_README);
  std::vector<Recipe> recipes = ReadRecipes(PUNKT_RECIPES);
  for (const Recipe& recipe : recipes) {
    SCOPED_TRACE(recipe.name);
    EXPECT_NE(guide.find("docs/gallery-" + recipe.name + ".png"), std::string::npos);
    for (const std::string& text : {recipe.count, recipe.range}) {
      EXPECT_NE(guide.find("`" + text + "`"), std::string::npos) << text;
    }
    for (const std::string& term : recipe.terms) {
      EXPECT_NE(guide.find("`" + term + "`"), std::string::npos) << term;
    }
  }
}

}  // namespace
