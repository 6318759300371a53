#include "platform/page.h"

#include "platform/gbk.h"

namespace platform {

double textWidth(std::string_view gbk, double size) {
  double ems = 0;
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = gbkCharLength(gbk.substr(i));
    ems += length == 2 ? 1.0 : 0.5;
    i += length == 2 ? 2 : 1;
  }
  return ems * size;
}

}  // namespace platform
