#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvelo::ModuleAd {

// The agent name the advertisement request introduces itself with.
inline constexpr std::string_view kAgentName = "Kestrawn";
// A reply larger than this is no advertisement; the download stops there.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;
// Redirects one request follows; a loop of them ends there, as a failure.
inline constexpr int kMaxRedirects = 3;

// The product web site's root address (plain HTTP, no trailing slash). The
// environment variable TARVELO_SITE_URL replaces it, for tests.
inline constexpr std::string_view kDefaultSiteRoot = "http://www.tarvelo.example";
inline constexpr char kSiteRootVariable[] = "TARVELO_SITE_URL";

// The root address: overrideValue when it is an http or https address, else
// the default. Trailing slashes are dropped.
std::string SiteRoot(const char* overrideValue);
// SiteRoot of the variable in the environment.
std::string SiteRoot();

std::string AdAddress(std::string_view siteRoot);      // the advertisement text
std::string AdPageAddress(std::string_view siteRoot);  // the advertised page

// The banner text of a reply: everything after its first two characters when
// they are "AD" in any letter case, else "" (no advertisement).
std::string AdTextFromReply(std::string_view reply);

// The text the banner shows for a reply: AdTextFromReply without the line
// breaks that end it, as plain text safe to show (PlainText::Displayable).
std::string BannerText(std::string_view reply);

// The pace of the advertisement poll. TimerAd ticks at its fixed interval;
// after every poll that brought no advertisement the next one waits twice as
// many ticks (3 s, 6 s, 12 s, ... with the 3 s timer), up to kMaxTicks
// (15 minutes), so that a site that is down, answers nothing or redirects in
// a loop is not asked every 3 s for ever. An advertisement, or the window
// shown again, starts over with a poll at the next tick.
class PollBackoff {
 public:
  static constexpr int kMaxTicks = 300;

  // One tick of TimerAd; true when a poll is due on it.
  bool Tick();
  void Failed();
  void Reset();
  int TicksBetweenPolls() const { return gap_; }

 private:
  int gap_ = 1;
  int waited_ = 0;
};

}  // namespace tarvelo::ModuleAd
