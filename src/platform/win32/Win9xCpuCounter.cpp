#include "platform/win32/Win9xCpuCounter.h"

#include <string>

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

namespace {

class SystemDynDataRegistry final : public DynDataRegistry {
 public:
  Key Open(std::string_view subKey, Access access) override {
    HKEY key = nullptr;
    const REGSAM sam = access == Access::All ? KEY_ALL_ACCESS : KEY_READ;
    if (::RegOpenKeyExA(HKEY_DYN_DATA, std::string(subKey).c_str(), 0, sam, &key) != ERROR_SUCCESS) return 0;
    return reinterpret_cast<Key>(key);
  }
  std::optional<std::uint32_t> QueryValue(Key key, std::string_view valueName) override {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (::RegQueryValueExA(reinterpret_cast<HKEY>(key), std::string(valueName).c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return data;
  }
  void Close(Key key) override { ::RegCloseKey(reinterpret_cast<HKEY>(key)); }
};

}  // namespace

std::unique_ptr<DynDataRegistry> CreateDynDataRegistry() { return std::make_unique<SystemDynDataRegistry>(); }

Win9xCpuCounter::Win9xCpuCounter(std::unique_ptr<DynDataRegistry> registry) : registry_(std::move(registry)) {}

Win9xCpuCounter::~Win9xCpuCounter() = default;

void Win9xCpuCounter::Touch(std::string_view subKey) {
  const ScopedKey key(*registry_, registry_->Open(subKey, DynDataRegistry::Access::All));
  if (key.Get() != 0) registry_->QueryValue(key.Get(), kValueName);
}

void Win9xCpuCounter::Start() {
  statData_.reset();  // a second start replaces the key rather than leaking it
  {
    const ScopedKey start(*registry_, registry_->Open(kStartKey, DynDataRegistry::Access::All));
    if (start.Get() == 0) return;
    registry_->QueryValue(start.Get(), kValueName);
  }
  statData_.emplace(*registry_, registry_->Open(kDataKey, DynDataRegistry::Access::Read));
}

std::optional<std::uint32_t> Win9xCpuCounter::Read() {
  if (!statData_ || statData_->Get() == 0) return std::nullopt;
  return registry_->QueryValue(statData_->Get(), kValueName);
}

void Win9xCpuCounter::Stop() {
  statData_.reset();
  Touch(kStopKey);
}

}  // namespace platform::win32_impl
