#include "app/ModuleAd.h"

#include <cstdlib>

namespace tarvelo::ModuleAd {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::string SiteRoot(const char* overrideValue) {
  std::string_view root = overrideValue != nullptr ? overrideValue : "";
  while (!root.empty() && root.back() == '/') root.remove_suffix(1);
  const bool web = (StartsWithNoCase(root, "http://") && root.size() > 7) ||
                   (StartsWithNoCase(root, "https://") && root.size() > 8);
  return std::string(web ? root : kDefaultSiteRoot);
}

std::string SiteRoot() { return SiteRoot(std::getenv(kSiteRootVariable)); }

std::string AdAddress(std::string_view siteRoot) { return std::string(siteRoot) + "/ad/tarvelo/"; }

std::string AdPageAddress(std::string_view siteRoot) { return std::string(siteRoot) + "/ad/tarvelo/page/"; }

std::string AdTextFromReply(std::string_view reply) {
  if (!StartsWithNoCase(reply, "AD")) return "";
  return std::string(reply.substr(2));
}

}  // namespace tarvelo::ModuleAd
