#include "common/queuename.h"

namespace tvx {

bool isQueueName(std::string_view name, std::size_t maxLength) {
  return !name.empty() && name.size() <= maxLength && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos;
}

}  // namespace tvx
