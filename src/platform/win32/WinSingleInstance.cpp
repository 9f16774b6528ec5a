#include "platform/win32/WinSingleInstance.h"

namespace platform::win32_impl {

WinSingleInstance::WinSingleInstance(std::string name) : name_(std::move(name)) {}

bool WinSingleInstance::AnotherInstanceRunning() {
  if (mutex_) return false;  // this instance holds the name already
  UniqueHandle mutex(::CreateMutexA(nullptr, FALSE, name_.c_str()));
  const DWORD error = ::GetLastError();
  // ERROR_ACCESS_DENIED: the name exists, made by an instance running with
  // other rights (an elevated one) in this session.
  if (!mutex) return error == ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) return true;
  mutex_ = std::move(mutex);
  return false;
}

}  // namespace platform::win32_impl
