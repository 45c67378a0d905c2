#include "driver/Prepare.h"

namespace jf {

int32_t RunOrder(const RunContext& ctx, std::string_view order, std::string_view position) {
  // The preparation and download steps are added with the order tables and the downloads.
  (void)ctx;
  (void)order;
  (void)position;
  return 0;
}

}  // namespace jf
