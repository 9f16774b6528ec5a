#include "common/Pages.h"

namespace tarvelo {

static_assert([] {
  for (std::size_t i = 0; i < kPageCount; ++i) {
    if (IndexOf(kPages[i].id) != i) return false;
  }
  return true;
}(), "the page table follows the order of PageId");

}  // namespace tarvelo
