#pragma once

#include <cstdio>
#include <memory>

namespace stippon {

struct file_closer {
  void operator()(FILE* file) const { std::fclose(file); }
};

// A C stream closed on every path out of the reader that opened it.
using file_handle = std::unique_ptr<FILE, file_closer>;

}  // namespace stippon
