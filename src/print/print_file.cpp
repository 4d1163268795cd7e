#include "print/print_file.h"

#include <cerrno>
#include <cstring>

namespace stippon {

void _print_file::discard() {
  release();
  output.reset();  // removes the temporary
}

void _print_file::start_over(const std::string& target) {
  discard();
  failure.clear();
  target_name = target;
}

bool _print_file::create() {
  output = std::make_unique<_atomic_file>(target_name);
  if (output->stream() != nullptr) return true;
  const std::string reason = output->problem();
  output.reset();
  return fail("Cannot create " + target_name + ": " + reason);
}

bool _print_file::rename_over_target() {
  if (!output->commit()) return fail("Cannot write " + target_name + ": " + output->problem());
  output.reset();
  return true;
}

bool _print_file::fail(const std::string& reason) {
  if (failure.empty()) failure = reason;
  discard();
  return false;
}

bool _print_file::fail_system(int error_number) {
  return fail("Cannot write " + target_name + ": " +
              std::strerror(error_number != 0 ? error_number : EIO));
}

}  // namespace stippon
