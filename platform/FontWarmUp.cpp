#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace velmora {

FontWarmUp::FontWarmUp() : reading_([] { FcInit(); }) {}

void FontWarmUp::Ready() {
  if (reading_.joinable()) reading_.join();
}

}  // namespace velmora
