#pragma once

namespace platform {

// Requests from the system to end the program (a terminal's Ctrl-C, a session
// ending, a service manager stopping it), delivered through a descriptor that
// the event loop can watch, so that the program ends in its own orderly way.
class ShutdownRequests {
 public:
  virtual ~ShutdownRequests() = default;
  // A descriptor that becomes readable when a request arrives; -1 when the
  // system has no such requests.
  virtual int NotifyDescriptor() const = 0;
  // Consumes the pending requests once they have been acted on.
  virtual void Acknowledge() = 0;
};

}  // namespace platform
