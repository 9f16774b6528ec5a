// The KWin way against a stand-in of KWin's scripting interface on a private
// bus: it records what is loaded, run and unloaded, and makes the calls the
// loaded script would make.
#include "platform/linux/foreground/KWinForegroundWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "BusStandIn.h"
#include "CompositorTestSupport.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::BusStandIn;
using tarvelo::testing::ReadFile;
using tarvelo::testing::TempDir;
using tarvelo::testing::WaitFor;

class KWinStandIn final : public BusStandIn {
 public:
  // plasma5: the script's object at /<id> rather than /Scripting/Script<id>.
  KWinStandIn(const std::string& address, bool plasma5) : BusStandIn(address), plasma5_(plasma5) {
    Do([this](sd_bus* bus) {
      static const sd_bus_vtable kScripting[] = {
          SD_BUS_VTABLE_START(0),
          SD_BUS_METHOD("loadScript", "ss", "i", &KWinStandIn::LoadScript, 0),
          SD_BUS_METHOD("unloadScript", "s", "b", &KWinStandIn::UnloadScript, 0),
          SD_BUS_VTABLE_END,
      };
      sd_bus_slot* slot = nullptr;
      sd_bus_add_object_vtable(bus, &slot, "/Scripting", "org.kde.kwin.Scripting", kScripting, this);
      Keep(slot);
      named_ = sd_bus_request_name(bus, "org.kde.KWin", 0) >= 0;
    });
  }

  bool Named() const { return named_; }
  // The next loads fail, as they do while a KWin that has just taken its
  // name is still starting.
  void FailLoads(int count) {
    Do([&](sd_bus*) { failLoads_ = count; });
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    Do([&](sd_bus*) { calls = calls_; });
    return calls;
  }
  std::string Script() {
    std::string script;
    Do([&](sd_bus*) { script = script_; });
    return script;
  }
  // What the running script sends: the active window, or none (id "").
  void Activate(const std::string& id, const std::string& pid, const std::string& caption,
                const std::string& machine = "") {
    const std::string service = Service();
    Do([&](sd_bus* bus) {
      sd_bus_call_method_async(bus, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath,
                               KWinForegroundWindow::kInterface, "Activated", nullptr, nullptr, "ssss", id.c_str(),
                               pid.c_str(), caption.c_str(), machine.c_str());
    });
  }
  // What the running script sends when a window closes.
  void Close(const std::string& id) {
    const std::string service = Service();
    Do([&](sd_bus* bus) {
      sd_bus_call_method_async(bus, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath,
                               KWinForegroundWindow::kInterface, "Closed", nullptr, nullptr, "s", id.c_str());
    });
  }
  // The connection the script reports to, as the script names it.
  std::string Service() {
    std::smatch match;
    const std::string script = Script();
    return std::regex_search(script, match, std::regex("var service = \"([^\"]*)\"")) ? match[1].str() : "";
  }

 private:
  static int LoadScript(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<KWinStandIn*>(data);
    const char* path = nullptr;
    const char* plugin = nullptr;
    if (sd_bus_message_read(m, "ss", &path, &plugin) < 0) return -EINVAL;
    self->calls_.push_back(std::string("load ") + plugin);
    if (self->failLoads_ > 0) {
      --self->failLoads_;
      return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_UNKNOWN_OBJECT, "not ready");
    }
    if (self->loaded_) return sd_bus_reply_method_return(m, "i", -1);  // the name is taken
    self->script_ = ReadFile(path);
    self->loaded_ = true;
    const int id = ++self->lastId_;
    static const sd_bus_vtable kScript[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("run", "", "", &KWinStandIn::Run, 0),
        SD_BUS_VTABLE_END,
    };
    const std::string object = self->plasma5_ ? "/" + std::to_string(id) : "/Scripting/Script" + std::to_string(id);
    sd_bus_slot* slot = nullptr;
    sd_bus_add_object_vtable(sd_bus_message_get_bus(m), &slot, object.c_str(), "org.kde.kwin.Script", kScript, self);
    self->Keep(slot);
    return sd_bus_reply_method_return(m, "i", id);
  }
  static int UnloadScript(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<KWinStandIn*>(data);
    const char* plugin = nullptr;
    if (sd_bus_message_read(m, "s", &plugin) < 0) return -EINVAL;
    self->calls_.push_back(std::string("unload ") + plugin);
    const bool was = self->loaded_;
    self->loaded_ = false;
    return sd_bus_reply_method_return(m, "b", was ? 1 : 0);
  }
  static int Run(sd_bus_message* m, void* data, sd_bus_error*) {
    static_cast<KWinStandIn*>(data)->calls_.push_back("run");
    return sd_bus_reply_method_return(m, "");
  }

  bool plasma5_;
  bool named_ = false;
  bool loaded_ = false;
  int failLoads_ = 0;
  int lastId_ = 0;
  std::string script_;
  std::vector<std::string> calls_;
};

class KWinTest : public tarvelo::testing::PrivateBusForegroundTest {
 protected:
  TempDir scripts;
};

TEST_F(KWinTest, LoadsItsScriptFollowsItsReportsAndUnloadsIt) {
  for (const bool plasma5 : {false, true}) {
    SCOPED_TRACE(plasma5 ? "Plasma 5" : "Plasma 6");
    KWinStandIn kwin(bus.Address(), plasma5);
    ASSERT_TRUE(kwin.Named());
    {
      KWinForegroundWindow w(bus.Address(), scripts.Path());
      EXPECT_TRUE(w.ScriptLoaded());
      EXPECT_EQ(w.WhyUnseen(), "");
      EXPECT_EQ(kwin.Calls(),
                (std::vector<std::string>{"unload tarvelo-foreground", "load tarvelo-foreground", "run"}));
      // Both generations' signals, and a call back to this connection.
      const std::string script = kwin.Script();
      EXPECT_NE(script.find("workspace.windowActivated"), std::string::npos);
      EXPECT_NE(script.find("workspace.clientActivated"), std::string::npos);
      EXPECT_NE(script.find("captionChanged"), std::string::npos);
      EXPECT_NE(script.find("workspace.windowRemoved"), std::string::npos);
      EXPECT_NE(script.find("workspace.clientRemoved"), std::string::npos);
      ASSERT_FALSE(kwin.Service().empty());
      EXPECT_EQ(kwin.Service()[0], ':');

      kwin.Activate("{5e1c}", "3001", "Alpha");
      const WindowHandle alpha = WaitForTitle(w, "Alpha");
      ASSERT_NE(alpha, 0u);
      EXPECT_EQ(w.OwnerProcess(alpha), 3001u);
      // Quick switching, a caption change, and a caption that looks like markup.
      kwin.Activate("{b37a}", "3002", "Beta");
      kwin.Activate("{5e1c}", "3001", "Alpha");
      kwin.Activate("{b37a}", "3002", "<b>Beta</b> 2");
      const WindowHandle beta = WaitForTitle(w, "<b>Beta</b> 2");
      ASSERT_NE(beta, 0u);
      EXPECT_NE(beta, alpha);
      EXPECT_EQ(w.OwnerProcess(beta), 3002u);
      EXPECT_EQ(w.OwnerProcess(alpha), 3001u);
      // A window of another machine, and none.
      kwin.Activate("{c0de}", "3003", "Remote", "faraway.example.org");
      const WindowHandle remote = WaitForTitle(w, "Remote");
      ASSERT_NE(remote, 0u);
      EXPECT_EQ(w.OwnerProcess(remote), 0u);
      // An X11 client of this machine, by name or as KWin says it.
      char host[256] = {};
      ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
      kwin.Activate("{10ca}", "3004", "Here", host);
      ASSERT_EQ(w.OwnerProcess(WaitForTitle(w, "Here")), 3004u);
      kwin.Activate("{10cb}", "3005", "Here too", "localhost");
      ASSERT_EQ(w.OwnerProcess(WaitForTitle(w, "Here too")), 3005u);
      // Closed windows name no process any more; the one in front closing
      // leaves none in front.
      kwin.Close("{5e1c}");
      kwin.Close("{10cb}");
      EXPECT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
      EXPECT_EQ(w.OwnerProcess(alpha), 0u);
      EXPECT_EQ(w.OwnerProcess(beta), 3002u);
      kwin.Activate("{b37a}", "3002", "Beta");
      EXPECT_EQ(WaitForTitle(w, "Beta"), beta);
      kwin.Activate("", "0", "");
      EXPECT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
    }
    // Unloaded at the end, and its file gone.
    EXPECT_EQ(kwin.Calls().back(), "unload tarvelo-foreground");
    EXPECT_TRUE(std::filesystem::is_empty(scripts.Path()));
  }
}

TEST_F(KWinTest, OnlyKWinMayReport) {
  KWinStandIn kwin(bus.Address(), false);
  KWinForegroundWindow w(bus.Address(), scripts.Path());
  ASSERT_TRUE(w.ScriptLoaded());
  kwin.Activate("{5e1c}", "3001", "Alpha");
  const WindowHandle alpha = WaitForTitle(w, "Alpha");
  ASSERT_NE(alpha, 0u);

  // Another program on the bus calls the same methods: refused.
  BusStandIn other(bus.Address());
  const std::string service = kwin.Service();
  struct Answer {
    std::string error;
    bool answered = false;
  } answer;
  other.Do([&](sd_bus* b) {
    sd_bus_call_method_async(b, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath,
                             KWinForegroundWindow::kInterface, "Closed", nullptr, nullptr, "s", "{5e1c}");
    sd_bus_call_method_async(
        b, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath, KWinForegroundWindow::kInterface, "Activated",
        [](sd_bus_message* reply, void* data, sd_bus_error*) {
          auto* out = static_cast<Answer*>(data);
          const sd_bus_error* e = sd_bus_message_get_error(reply);
          out->error = e != nullptr && e->name != nullptr ? e->name : "";
          out->answered = true;
          return 0;
        },
        &answer, "ssss", "{bad}", "1", "Impostor", "");
  });
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    bool done = false;
    other.Do([&](sd_bus*) { done = answer.answered; });
    return done;
  }));
  const std::string error = answer.error;
  other.Stop();
  EXPECT_EQ(error, "org.freedesktop.DBus.Error.AccessDenied");
  EXPECT_EQ(w.Title(w.Foreground()), "Alpha");
  EXPECT_EQ(w.OwnerProcess(alpha), 3001u);

  // A report of the wrong form is refused too, and changes nothing.
  kwin.Do([&](sd_bus* b) {
    sd_bus_call_method_async(b, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath,
                             KWinForegroundWindow::kInterface, "Activated", nullptr, nullptr, "s", "{x}");
  });
  kwin.Activate("{b37a}", "3002", "Beta");
  EXPECT_NE(WaitForTitle(w, "Beta"), 0u);

  // The script's engine may send the pid as a number.
  kwin.Do([&](sd_bus* b) {
    sd_bus_call_method_async(b, nullptr, service.c_str(), KWinForegroundWindow::kObjectPath,
                             KWinForegroundWindow::kInterface, "Activated", nullptr, nullptr, "sdss", "{d0d0}", 3006.0,
                             "Double", "");
  });
  EXPECT_EQ(w.OwnerProcess(WaitForTitle(w, "Double")), 3006u);
}

TEST_F(KWinTest, WithoutKWinItSaysSoAndARestartedKWinGetsTheScriptAgain) {
  KWinForegroundWindow w(bus.Address(), scripts.Path());
  EXPECT_FALSE(w.ScriptLoaded());
  EXPECT_EQ(w.Foreground(), 0u);
  EXPECT_NE(w.WhyUnseen(), "");

  auto kwin = std::make_unique<KWinStandIn>(bus.Address(), false);
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    return w.ScriptLoaded();
  }));
  EXPECT_EQ(w.WhyUnseen(), "");
  kwin->Activate("{5e1c}", "3001", "Alpha");
  const WindowHandle before = WaitForTitle(w, "Alpha");
  ASSERT_NE(before, 0u);

  // KWin ends: nothing in front, no process named.
  kwin.reset();
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0 && !w.ScriptLoaded(); }));
  EXPECT_NE(w.WhyUnseen(), "");
  EXPECT_EQ(w.OwnerProcess(before), 0u);

  // And comes back, its scripting not ready at first: tried until it is.
  kwin = std::make_unique<KWinStandIn>(bus.Address(), false);
  kwin->FailLoads(2);
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    return w.ScriptLoaded();
  }));
  const std::vector<std::string> calls = kwin->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "load tarvelo-foreground"), 3);
  EXPECT_EQ(calls.back(), "run");
  kwin->Activate("{5e1c}", "3001", "Alpha");
  const WindowHandle after = WaitForTitle(w, "Alpha");
  EXPECT_NE(after, 0u);
  EXPECT_NE(after, before);
}

}  // namespace
}  // namespace platform::linux_impl
