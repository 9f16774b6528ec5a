#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarvelo::testing {

// A fresh folder under /run that only root can change, as every folder above
// it: where a test puts files that may be trusted with a capability (a
// folder under /tmp never is). Everyone may enter it. Needs root; Path() is
// empty where it could not be made. Removed with everything in it at the end.
class TrustedDir {
 public:
  TrustedDir() {
    std::string pattern = "/run/tarvelo-test-XXXXXX";
    if (::geteuid() != 0 || ::mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    ::chmod(path_.c_str(), 0755);
  }
  ~TrustedDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TrustedDir(const TrustedDir&) = delete;
  TrustedDir& operator=(const TrustedDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace tarvelo::testing
