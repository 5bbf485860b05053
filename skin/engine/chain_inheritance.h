// Values inherited along PARENTCLASS chains, resolved for every section at once. A section's
// value for a slot is its own, else the first one found up its chain; a chain ends at a
// section without parent or at a section already met on it (a chain that loops).
//
// Each section is resolved once from its parent's resolved values, so the work grows with the
// number of sections times the number of slots, however long or tangled the chains are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skin {

// parent[i]: index of section i's parent, or -1. own[i][slot]: section i's own value, `none`
// where it has none. Returns the inherited values in the same layout.
template <class T>
std::vector<std::vector<T>> InheritAlongChains(const std::vector<int>& parent, const std::vector<std::vector<T>>& own,
                                               const T& none) {
  const size_t count = own.size();
  std::vector<std::vector<T>> result(count);
  enum : uint8_t { Unseen, OnPath, Done };
  std::vector<uint8_t> state(count, Unseen);
  auto parentOf = [&](size_t i) -> int {
    int p = i < parent.size() ? parent[i] : -1;
    return p >= 0 && size_t(p) < count ? p : -1;
  };
  std::vector<size_t> path;
  for (size_t start = 0; start < count; ++start) {
    if (state[start] != Unseen) continue;
    path.clear();
    int v = int(start);
    while (v >= 0 && state[size_t(v)] == Unseen) {
      state[size_t(v)] = OnPath;
      path.push_back(size_t(v));
      v = parentOf(size_t(v));
    }
    if (v >= 0 && state[size_t(v)] == OnPath) {
      // The chain loops back to v: every section of the loop searches the whole loop from
      // itself onwards. Walking the loop backwards twice carries the nearest value found.
      size_t first = 0;
      while (path[first] != size_t(v)) ++first;
      const size_t loop = path.size() - first;
      for (size_t k = first; k < path.size(); ++k) result[path[k]] = own[path[k]];
      const size_t slots = own[size_t(v)].size();
      for (size_t slot = 0; slot < slots; ++slot) {
        T carried = none;
        for (size_t step = 2 * loop; step-- > 0;) {
          const size_t node = path[first + step % loop];
          const T& mine = own[node].size() > slot ? own[node][slot] : none;
          if (mine != none) carried = mine;
          if (step < loop && result[node].size() > slot) result[node][slot] = carried;
        }
      }
      for (size_t k = first; k < path.size(); ++k) state[path[k]] = Done;
      path.resize(first);
    }
    // What is left of the path leads to a resolved section or to the end of the chain.
    for (size_t k = path.size(); k-- > 0;) {
      const size_t node = path[k];
      result[node] = own[node];
      const int p = parentOf(node);
      if (p >= 0)
        for (size_t slot = 0; slot < result[node].size() && slot < result[size_t(p)].size(); ++slot)
          if (result[node][slot] == none) result[node][slot] = result[size_t(p)][slot];
      state[node] = Done;
    }
  }
  return result;
}

}  // namespace skin
