#pragma once
// A block of a sweep on its way through a trace: `count` points that belong at `offset` of a
// sweep of `size`, with their stimulus, real and imaginary (or second) parts. `first` marks
// the first block of a new sweep (the reset flag of the filter chain). Filter plug-ins get the
// members by reference and may replace the arrays; the block's buffers then adopt what they
// hand back.
#include <cstddef>

struct SBlock {
  bool first = false;
  int offset = 0;
  int count = 0;
  int size = 0;
  double* x = nullptr;
  double* y = nullptr;
  double* z = nullptr;  // null: the data carry no second component
};

// The one owner of a pipeline's working arrays. They come from new[] because the filter
// contract lets a filter release an array and hand back its own; the buffers keep whatever
// the block holds afterwards and reuse it, so a steady sweep allocates nothing per block.
class CBlockBuffers {
 public:
  CBlockBuffers() = default;
  CBlockBuffers(const CBlockBuffers&) = delete;
  CBlockBuffers& operator=(const CBlockBuffers&) = delete;
  ~CBlockBuffers();

  // Arrays for `count` points in `block` (z only when `second`), kept from earlier blocks
  // when large enough. False when the memory could not be had (the block is then empty).
  bool Prepare(SBlock& block, int count, bool second);
  // After the chain: the arrays the block holds now are ours (a filter may have replaced
  // any of them, or made up a second component).
  void Settle(const SBlock& block);

 private:
  struct SArray {
    double* data = nullptr;
    std::size_t capacity = 0;
  };
  static bool Reserve(SArray& array, std::size_t count);
  static void Adopt(SArray& array, double* after, std::size_t count);

  SArray x_, y_, z_;
  bool zGiven_ = false;  // the last block was handed our z array
};
