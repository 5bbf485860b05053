// Values inherited along PARENTCLASS chains, resolved for all sections at once, give what a
// walk up each section's own chain gives: chains that end, loop, name themselves or run into a
// loop included.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "skin/engine/chain_inheritance.h"

using namespace skin;

namespace {

// The walk: the section's own value, else its parent's, until the chain ends or comes back.
int Walk(const std::vector<int>& parent, const std::vector<std::vector<int>>& own, size_t node, size_t slot) {
  std::set<int> visited;
  int v = int(node);
  while (v >= 0 && v < int(own.size()) && visited.insert(v).second) {
    if (own[size_t(v)][slot] != -1) return own[size_t(v)][slot];
    v = parent[size_t(v)];
  }
  return -1;
}

TEST(ChainInheritance, EveryShapeOfChainGivesWhatTheWalkGives) {
  struct Case {
    const char* what;
    std::vector<int> parent;
    std::vector<std::vector<int>> own;
    std::vector<int> expected;  // slot 0
  } cases[] = {
      {"a chain", {1, 2, -1}, {{-1}, {-1}, {7}}, {7, 7, 7}},
      {"own values win", {1, -1}, {{3}, {7}}, {3, 7}},
      {"a section naming itself", {0, 0}, {{-1}, {5}}, {-1, 5}},
      {"a loop of two", {1, 0}, {{4}, {-1}}, {4, 4}},
      {"a chain into a loop", {1, 2, 1}, {{-1}, {-1}, {9}}, {9, 9, 9}},
      {"a loop without values", {1, 2, 0, 0}, {{-1}, {-1}, {-1}, {-1}}, {-1, -1, -1, -1}},
      {"a parent outside the list", {5, -1}, {{-1}, {1}}, {-1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto result = InheritAlongChains<int>(c.parent, c.own, -1);
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(result[i][0], c.expected[i]) << i;
  }
}

TEST(ChainInheritance, RandomForestsAndLoopsAgreeWithTheWalk) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 2000; ++round) {
    const size_t count = 1 + random() % 9, slots = 1 + random() % 3;
    std::vector<int> parent(count);
    std::vector<std::vector<int>> own(count, std::vector<int>(slots));
    for (size_t i = 0; i < count; ++i) {
      parent[i] = int(random() % (count + 2)) - 1;  // -1, a section, or one past the end
      for (int& v : own[i]) v = random() % 3 == 0 ? int(random() % 100) : -1;
    }
    auto result = InheritAlongChains<int>(parent, own, -1);
    for (size_t i = 0; i < count; ++i)
      for (size_t slot = 0; slot < slots; ++slot)
        ASSERT_EQ(result[i][slot], Walk(parent, own, i, slot)) << "round " << round << " section " << i;
  }
}

}  // namespace
