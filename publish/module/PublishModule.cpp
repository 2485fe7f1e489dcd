#include "publish/PublishModule.h"

extern "C" __attribute__((visibility("default"))) const velmora::PublishCalls* velmora_publish_calls() {
  static constexpr velmora::PublishCalls calls{&velmora::PublishPageTo, &velmora::TestPublishTarget};
  return &calls;
}
