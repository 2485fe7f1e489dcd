#pragma once
// Fontconfig reads its configuration and the system's font list the first
// time any text is measured, which is about a fifth of start-up. Begun before
// the application object is made, that reading runs on a thread of its own
// beside Qt's start-up; Ready() waits for what is left of it.

#include <thread>

namespace velmora {

class FontWarmUp {
public:
  FontWarmUp();
  ~FontWarmUp() { Ready(); }
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

  // Call before the first widget is made: text measured while the reading
  // goes on would read everything a second time.
  void Ready();

private:
  std::thread reading_;
};

}  // namespace velmora
