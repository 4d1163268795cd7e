#include "print/print_pgm.h"

#include <cerrno>

namespace stippon {

bool _print_pgm::start() {
  if (std::fprintf(stream(), "P5\n%u %u\n%d\n", width(), height(), 255) < 0)
    return fail_system(errno);
  return true;
}

bool _print_pgm::put(const uint8_t* row) {
  if (std::fwrite(row, 1, width(), stream()) != width()) return fail_system(errno);
  return true;
}

}  // namespace stippon
