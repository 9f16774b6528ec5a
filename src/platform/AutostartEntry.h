#pragma once

#include <string>

namespace platform {

// The entry that makes the system start the program when the user logs in.
// Both operations are best effort: a failure leaves things as they were and is
// reported only through the result.
class AutostartEntry {
 public:
  virtual ~AutostartEntry() = default;

  // Makes the system start the executable at executablePath (a full path),
  // replacing an earlier entry of the program.
  virtual bool Write(const std::string& executablePath) = 0;

  // Removes the program's entry wherever it can; no entry is no error.
  virtual bool Remove() = 0;
};

}  // namespace platform
