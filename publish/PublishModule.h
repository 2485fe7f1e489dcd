#pragma once
// The window takes publishing's protocols from a module it loads when the
// user first publishes: their libraries (curl, libssh and what they pull in)
// would otherwise be loaded, relocated and initialised at every start.

#include "publish/ConnectTransport.h"

namespace velmora {

struct PublishCalls {
  decltype(&PublishPageTo) publishPage;
  decltype(&TestPublishTarget) testTarget;
};

using PublishCallsFunction = const PublishCalls* (*)();
inline constexpr char kPublishCallsSymbol[] = "velmora_publish_calls";
inline constexpr char kPublishModuleName[] = "libvelmora-publish.so";

}  // namespace velmora
