#include "document/document_work.h"

namespace stippon {

void _document_work::add(const _document_work& other) {
  // The later grid width wins: other is the newer work unless it holds no grid.
  if (other.regrids()) grid_width = other.grid_width;
  stages |= other.stages;
}

}  // namespace stippon
