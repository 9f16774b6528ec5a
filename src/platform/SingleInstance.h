#pragma once

namespace platform {

// Tells whether another instance of the program runs for this user. The first
// instance claims the program for as long as this object lives, and may offer
// a channel over which a later start asks it to show its window.
class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  virtual bool AnotherInstanceRunning() = 0;

  // From a later start: asks the running instance to show its window. False
  // when it cannot be reached.
  virtual bool ActivateRunningInstance() { return false; }
  // In the running instance: a descriptor that becomes readable when a later
  // start asks; -1 when there is no such channel.
  virtual int ActivationDescriptor() const { return -1; }
  // Takes every waiting request; true when at least one came from this user.
  virtual bool TakeActivationRequests() { return false; }
};

}  // namespace platform
