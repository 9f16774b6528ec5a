#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/CpuTimes.h"

namespace platform::win32_impl {

// The registry as the 9x family's performance statistics need it: keys under
// HKEY_DYN_DATA and their 32-bit values. A seam, so that the counter can be
// tested on systems without those keys.
class DynDataRegistry {
 public:
  using Key = std::uintptr_t;  // 0 is no key
  enum class Access { All, Read };

  virtual ~DynDataRegistry() = default;
  // Opens subKey under HKEY_DYN_DATA; 0 when it cannot be opened.
  virtual Key Open(std::string_view subKey, Access access) = 0;
  // The 32-bit value (read into a buffer of 4 bytes); nothing on failure.
  virtual std::optional<std::uint32_t> QueryValue(Key key, std::string_view valueName) = 0;
  virtual void Close(Key key) = 0;
};

// The real HKEY_DYN_DATA: RegOpenKeyExA, RegQueryValueExA, RegCloseKey.
std::unique_ptr<DynDataRegistry> CreateDynDataRegistry();

// The CPU load of the 9x family: "KERNEL\CPUUsage" under "PerfStats\StatData",
// a percentage the system keeps once the value has been read under
// "PerfStats\StartStat", until it is read under "PerfStats\StopStat".
// StatData stays open from Start to Stop (or to the counter's end).
class Win9xCpuCounter final : public LegacyCpuCounter {
 public:
  static constexpr std::string_view kStartKey = "PerfStats\\StartStat";
  static constexpr std::string_view kDataKey = "PerfStats\\StatData";
  static constexpr std::string_view kStopKey = "PerfStats\\StopStat";
  static constexpr std::string_view kValueName = "KERNEL\\CPUUsage";

  explicit Win9xCpuCounter(std::unique_ptr<DynDataRegistry> registry);
  ~Win9xCpuCounter() override;
  Win9xCpuCounter(const Win9xCpuCounter&) = delete;
  Win9xCpuCounter& operator=(const Win9xCpuCounter&) = delete;

  // Starts the counter and opens StatData; when StartStat cannot be opened,
  // nothing is opened and every reading fails.
  void Start() override;
  // The value under StatData; nothing when it cannot be read.
  std::optional<std::uint32_t> Read() override;
  // Closes StatData and stops the counter.
  void Stop() override;

 private:
  // Owns one open key of the registry.
  class ScopedKey {
   public:
    ScopedKey(DynDataRegistry& registry, DynDataRegistry::Key key) : registry_(registry), key_(key) {}
    ~ScopedKey() {
      if (key_ != 0) registry_.Close(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    DynDataRegistry::Key Get() const { return key_; }

   private:
    DynDataRegistry& registry_;
    DynDataRegistry::Key key_;
  };

  // Reads the value under subKey once, which starts or stops the counter.
  void Touch(std::string_view subKey);

  std::unique_ptr<DynDataRegistry> registry_;
  std::optional<ScopedKey> statData_;
};

}  // namespace platform::win32_impl
