#pragma once
// Qt's network layer and the keyring adapter need an application object for
// their event loops; the network commands make one when there is none.

#include <QCoreApplication>
#include <memory>

namespace velmora::tool {

inline std::unique_ptr<QCoreApplication> NetworkApplication() {
  if (QCoreApplication::instance()) return nullptr;
  static int argc = 1;
  static char name[] = "velmora-tool";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace velmora::tool
