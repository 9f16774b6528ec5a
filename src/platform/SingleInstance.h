#pragma once

namespace platform {

// Tells whether another instance of the program runs for this user. The first
// instance claims the program for as long as this object lives.
class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  virtual bool AnotherInstanceRunning() = 0;
};

}  // namespace platform
