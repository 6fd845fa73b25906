#include "converter/streams/huffman_lengths.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace dorv {

void HuffmanLengths(const uint32_t* freq, int n, int maxBits, uint8_t* lengths) {
  std::fill(lengths, lengths + n, uint8_t{0});
  // Symbols in use, rarest first.
  std::vector<std::pair<uint32_t, int>> leaves;
  for (int s = 0; s < n; ++s)
    if (freq[s] != 0) leaves.emplace_back(freq[s], s);
  const int m = static_cast<int>(leaves.size());
  if (m == 0) return;
  if (m == 1) {
    lengths[leaves[0].second] = 1;
    return;
  }
  std::sort(leaves.begin(), leaves.end());

  // The tree by two queues: leaves in order, then joined nodes, which are
  // made in order of weight.
  std::vector<uint64_t> weight(2 * m - 1);
  std::vector<int> parent(2 * m - 1, 0);
  for (int i = 0; i < m; ++i) weight[i] = leaves[i].first;
  int leaf = 0, joined = m;
  for (int next = m; next < 2 * m - 1; ++next) {
    int pick[2];
    for (int& k : pick) k = leaf < m && (joined >= next || weight[leaf] <= weight[joined]) ? leaf++ : joined++;
    weight[next] = weight[pick[0]] + weight[pick[1]];
    parent[pick[0]] = parent[pick[1]] = next;
  }
  std::vector<int> depth(2 * m - 1, 0);
  for (int i = 2 * m - 3; i >= 0; --i) depth[i] = depth[parent[i]] + 1;

  // Codes longer than allowed are cut to maxBits, which overfills the code;
  // the rarest of the longest codes below maxBits are lengthened until it
  // fits, and any room left is given back to the longest codes.
  std::vector<int> len(m);
  const uint64_t full = uint64_t{1} << maxBits;
  uint64_t kraft = 0;
  for (int i = 0; i < m; ++i) {
    len[i] = std::min(depth[i], maxBits);
    kraft += uint64_t{1} << (maxBits - len[i]);
  }
  while (kraft > full) {
    int best = -1;
    for (int i = 0; i < m; ++i)
      if (len[i] < maxBits && (best < 0 || len[i] > len[best])) best = i;
    kraft -= uint64_t{1} << (maxBits - len[best] - 1);
    ++len[best];
  }
  while (kraft < full) {
    int best = -1;
    for (int i = m - 1; i >= 0; --i)
      if (len[i] > 1 && (uint64_t{1} << (maxBits - len[i])) <= full - kraft && (best < 0 || len[i] > len[best]))
        best = i;
    if (best < 0) break;
    kraft += uint64_t{1} << (maxBits - len[best]);
    --len[best];
  }
  for (int i = 0; i < m; ++i) lengths[leaves[i].second] = static_cast<uint8_t>(len[i]);
}

}  // namespace dorv
