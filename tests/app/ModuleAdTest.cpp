#include "app/ModuleAd.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvelo {
namespace {

using namespace std::string_literals;

TEST(ModuleAd, TheMarkerInAnyCaseStartsTheTextAndAnythingElseIsNoAd) {
  const struct {
    std::string reply, text;
  } cases[] = {
      {"ADSpeed up now", "Speed up now"},
      {"adWord", "Word"},
      {"aD mixed", " mixed"},
      {"Ad<b>as is</b>\r\n", "<b>as is</b>\r\n"},
      {"AD", ""},
      {"A", ""},
      {"", ""},
      {" ADleading space", ""},
      {"<html>AD</html>", ""},
      {"\xC3\x84" "D umlaut", ""},
      {"AD\0after nul"s, "\0after nul"s},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleAd::AdTextFromReply(c.reply), c.text) << c.reply;
}

TEST(ModuleAd, FailedPollsComeEverLessOftenUpToFifteenMinutes) {
  ModuleAd::PollBackoff backoff;
  // Every poll fails: polls fall on ticks 1, 3, 7, 15, ... (3 s, 6 s, 12 s, ... apart).
  std::vector<int> due;
  for (int tick = 1; tick <= 70; ++tick) {
    if (backoff.Tick()) {
      due.push_back(tick);
      backoff.Failed();
    }
  }
  EXPECT_EQ(due, (std::vector<int>{1, 3, 7, 15, 31, 63}));
  for (int i = 0; i < 20; ++i) backoff.Failed();
  EXPECT_EQ(backoff.TicksBetweenPolls(), ModuleAd::PollBackoff::kMaxTicks);
  EXPECT_EQ(ModuleAd::PollBackoff::kMaxTicks * 3, 15 * 60) << "with TimerAd's 3 s";
  backoff.Reset();
  EXPECT_TRUE(backoff.Tick()) << "the next tick polls";
  EXPECT_TRUE(backoff.Tick());
}

TEST(ModuleAd, BannerTextDropsTheFinalLineBreakAndShowsControlsAsPlaceholders) {
  EXPECT_EQ(ModuleAd::BannerText("ADOffer\r\n"), "Offer");
  EXPECT_EQ(ModuleAd::BannerText("ADa\nb\n"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(ModuleAd::BannerText("ADx\xE2\x80\xAEy"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(ModuleAd::BannerText("AD\r\n"), "");
  EXPECT_EQ(ModuleAd::BannerText("Welcome"), "");
}

TEST(ModuleAd, SiteRootIsTheOverrideOnlyWhenItIsAWebAddress) {
  const std::string site(ModuleAd::kDefaultSiteRoot);
  EXPECT_EQ(site.rfind("http://", 0), 0u);
  const struct {
    const char* value;
    std::string root;
  } cases[] = {
      {nullptr, site},
      {"", site},
      {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
      {"HTTPS://mirror.example//", "HTTPS://mirror.example"},
      {"http://", site},
      {"ftp://files.example", site},
      {"javascript:alert(1)", site},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleAd::SiteRoot(c.value), c.root) << (c.value ? c.value : "(unset)");
  EXPECT_EQ(ModuleAd::AdAddress("http://a.example"), "http://a.example/ad/tarvelo/");
  EXPECT_EQ(ModuleAd::AdPageAddress("http://a.example"), "http://a.example/ad/tarvelo/page/");
}

}  // namespace
}  // namespace tarvelo
