#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvelo::ModuleAd {

// The agent name the advertisement request introduces itself with.
inline constexpr std::string_view kAgentName = "Kestrawn";
// A reply larger than this is no advertisement; the download stops there.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

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

}  // namespace tarvelo::ModuleAd
