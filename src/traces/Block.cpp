#include "traces/Block.h"

#include <new>

CBlockBuffers::~CBlockBuffers() {
  delete[] x_.data;
  delete[] y_.data;
  delete[] z_.data;
}

bool CBlockBuffers::Reserve(SArray& array, std::size_t count) {
  if (array.capacity >= count && array.data != nullptr) return true;
  delete[] array.data;
  array.data = new (std::nothrow) double[count > 0 ? count : 1];
  array.capacity = array.data != nullptr ? (count > 0 ? count : 1) : 0;
  return array.data != nullptr;
}

bool CBlockBuffers::Prepare(SBlock& block, int count, bool second) {
  const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
  if (!Reserve(x_, n) || !Reserve(y_, n) || (second && !Reserve(z_, n))) {
    block.count = 0;
    block.x = block.y = block.z = nullptr;
    return false;
  }
  block.count = count;
  block.x = x_.data;
  block.y = y_.data;
  block.z = second ? z_.data : nullptr;
  zGiven_ = second;
  return true;
}

void CBlockBuffers::Adopt(SArray& array, double* after, std::size_t count) {
  if (after == array.data) return;
  // A filter put its own array (or none) in place of ours and released ours: whatever the
  // block holds after the chain is the caller's to keep and release.
  array.data = after;
  array.capacity = after != nullptr ? count : 0;
}

void CBlockBuffers::Settle(const SBlock& block) {
  const std::size_t n = block.count > 0 ? static_cast<std::size_t>(block.count) : 0;
  Adopt(x_, block.x, n);
  Adopt(y_, block.y, n);
  if (zGiven_) {
    Adopt(z_, block.z, n);
  } else if (block.z != nullptr) {
    // A second component a filter made up; the array we kept from earlier blocks was not
    // handed out, so it is still ours to release.
    delete[] z_.data;
    z_.data = block.z;
    z_.capacity = n;
  }
}
