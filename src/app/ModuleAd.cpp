#include "app/ModuleAd.h"

#include <algorithm>
#include <cstdlib>

#include "common/PlainText.h"

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

std::string BannerText(std::string_view reply) {
  std::string text = AdTextFromReply(reply);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return PlainText::Displayable(text);
}

bool PollBackoff::Tick() {
  if (++waited_ < gap_) return false;
  waited_ = 0;
  return true;
}

void PollBackoff::Failed() { gap_ = std::min(gap_ * 2, kMaxTicks); }

void PollBackoff::Reset() {
  gap_ = 1;
  waited_ = 0;
}

}  // namespace tarvelo::ModuleAd
