#include "document/document_settings.h"

namespace stippon {

unsigned short& _document_settings::dot_size(_dot_size_field field) {
  switch (field) {
    case dot_low_density_min:
      return stipple.low_density_min;
    case dot_low_density_max:
      return stipple.low_density_max;
    case dot_high_density_min:
      return stipple.high_density_min;
    default:
      return stipple.high_density_max;
  }
}

}  // namespace stippon
