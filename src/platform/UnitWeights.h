#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/ForegroundWindow.h"

namespace platform {

// The CPU weight of the units of the user's service manager (the systemd user
// manager on Linux): when the processors are busy, sibling units share them in
// proportion to their weights. The default weight is 100. Changes are made for
// the running system only, never saved.
class UnitWeights {
 public:
  // The weight a unit has when none was set for it.
  static constexpr std::uint64_t kUnset = UINT64_MAX;

  virtual ~UnitWeights() = default;

  // Whether weights can be changed at all: the manager answers and gives its
  // units the processor controller.
  virtual bool Available() = 0;

  // The name of the unit under the user's manager that holds the process
  // (e.g. "app-firefox-1234.scope"); nothing when it is gone or is not in one.
  virtual std::optional<std::string> UnitOf(ProcessId pid) = 0;

  // The unit's CPUWeight setting, kUnset when none was set; nothing when it
  // cannot be read.
  virtual std::optional<std::uint64_t> WeightOf(const std::string& unit) = 0;

  // Sets the unit's CPUWeight (kUnset: back to none) for the running system.
  // Fails with std::errc::no_such_process when the unit has gone.
  virtual std::error_code SetWeight(const std::string& unit, std::uint64_t weight) = 0;

  // The weight the system applies to the unit's processes now, read from the
  // system itself once it has the weight last set (a short wait at most);
  // nothing when no weight applies (no processor controller).
  virtual std::optional<std::uint64_t> AppliedWeight(const std::string& unit) = 0;
};

}  // namespace platform
