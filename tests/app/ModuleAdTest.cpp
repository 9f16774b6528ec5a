#include "app/ModuleAd.h"

#include <gtest/gtest.h>

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
