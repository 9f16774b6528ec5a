// The GNOME Shell way against a stand-in of Tarvelo's Shell extension on a
// private bus: the same name, object, method and signal.
#include "platform/linux/foreground/GnomeShellForegroundWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "BusStandIn.h"
#include "CompositorTestSupport.h"
#include "support/PrivateBus.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::BusStandIn;
using tarvelo::testing::WaitFor;

class ExtensionStandIn final : public BusStandIn {
 public:
  struct Window {
    std::string id;
    std::uint32_t pid = 0;
    std::string title;
    bool local = true;
  };

  ExtensionStandIn(const std::string& address, Window focused) : BusStandIn(address), focused_(std::move(focused)) {
    Do([this](sd_bus* bus) {
      static const sd_bus_vtable kVtable[] = {
          SD_BUS_VTABLE_START(0),
          SD_BUS_METHOD("Get", "", "susb", &ExtensionStandIn::Get, 0),
          SD_BUS_SIGNAL("Changed", "susb", 0),
          SD_BUS_SIGNAL("Closed", "s", 0),
          SD_BUS_VTABLE_END,
      };
      sd_bus_slot* slot = nullptr;
      sd_bus_add_object_vtable(bus, &slot, GnomeShellForegroundWindow::kObjectPath,
                               GnomeShellForegroundWindow::kInterface, kVtable, this);
      Keep(slot);
      sd_bus_request_name(bus, GnomeShellForegroundWindow::kBusName, 0);
    });
  }

  // The focus moves: the extension signals it.
  void Focus(Window window) {
    Do([&](sd_bus* bus) {
      focused_ = window;
      sd_bus_emit_signal(bus, GnomeShellForegroundWindow::kObjectPath, GnomeShellForegroundWindow::kInterface,
                         "Changed", "susb", focused_.id.c_str(), focused_.pid, focused_.title.c_str(),
                         focused_.local ? 1 : 0);
    });
  }

  // A window it named has closed.
  void Close(const std::string& id) {
    Do([&](sd_bus* bus) {
      sd_bus_emit_signal(bus, GnomeShellForegroundWindow::kObjectPath, GnomeShellForegroundWindow::kInterface,
                         "Closed", "s", id.c_str());
    });
  }

 private:
  static int Get(sd_bus_message* m, void* data, sd_bus_error*) {
    const Window& w = static_cast<ExtensionStandIn*>(data)->focused_;
    return sd_bus_reply_method_return(m, "susb", w.id.c_str(), w.pid, w.title.c_str(), w.local ? 1 : 0);
  }

  Window focused_;
};

using GnomeShellTest = tarvelo::testing::PrivateBusForegroundTest;

TEST_F(GnomeShellTest, SaysHowToEnableTheExtensionUntilItAnswersThenFollowsIt) {
  GnomeShellForegroundWindow w(bus.Address());
  EXPECT_EQ(w.Foreground(), 0u);
  // Settles on the answer that no one owns the name.
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    return !w.WhyUnseen().empty();
  }));
  EXPECT_NE(w.WhyUnseen().find("gnome-extensions enable tarvelo-foreground@tarvelo.org"), std::string::npos);

  // The user enables it: the window in front is asked for once.
  auto extension = std::make_unique<ExtensionStandIn>(bus.Address(), ExtensionStandIn::Window{"101", 5001, "Alpha"});
  const WindowHandle alpha = WaitForTitle(w, "Alpha");
  ASSERT_NE(alpha, 0u);
  EXPECT_EQ(w.OwnerProcess(alpha), 5001u);
  EXPECT_EQ(w.WhyUnseen(), "");

  // Quick switching, a new title that looks like markup, a remote window.
  extension->Focus({"102", 5002, "Beta"});
  extension->Focus({"101", 5001, "Alpha"});
  extension->Focus({"102", 5002, "<i>Beta</i>"});
  const WindowHandle beta = WaitForTitle(w, "<i>Beta</i>");
  ASSERT_NE(beta, 0u);
  EXPECT_NE(beta, alpha);
  EXPECT_EQ(w.OwnerProcess(beta), 5002u);
  EXPECT_EQ(w.OwnerProcess(alpha), 5001u);
  extension->Focus({"103", 5003, "Remote", false});
  const WindowHandle remote = WaitForTitle(w, "Remote");
  ASSERT_NE(remote, 0u);
  EXPECT_EQ(w.OwnerProcess(remote), 0u);
  // The focused window closes: nothing has the focus for a moment, and its
  // handle names no process any more; one that closed out of focus neither.
  extension->Focus({"", 0, ""});
  extension->Close("103");
  extension->Close("101");
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0 && w.OwnerProcess(alpha) == 0; }));
  EXPECT_EQ(w.Title(alpha), "");
  EXPECT_EQ(w.OwnerProcess(beta), 5002u);

  // The shell restarts (or the extension is turned off): nothing is known,
  // and the page says what to do; then it comes back.
  extension->Focus({"102", 5002, "Beta"});
  ASSERT_EQ(WaitForTitle(w, "Beta"), beta);
  extension.reset();
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0 && !w.WhyUnseen().empty(); }));
  EXPECT_EQ(w.OwnerProcess(beta), 0u);
  extension = std::make_unique<ExtensionStandIn>(bus.Address(), ExtensionStandIn::Window{"7", 6001, "Again"});
  const WindowHandle again = WaitForTitle(w, "Again");
  ASSERT_NE(again, 0u);
  EXPECT_EQ(w.OwnerProcess(again), 6001u);
  EXPECT_EQ(w.WhyUnseen(), "");
}

TEST_F(GnomeShellTest, SignalsOfAnotherProgramCountForNothing) {
  ExtensionStandIn extension(bus.Address(), {"101", 5001, "Alpha"});
  GnomeShellForegroundWindow w(bus.Address());
  const WindowHandle alpha = WaitForTitle(w, "Alpha");
  ASSERT_NE(alpha, 0u);
  BusStandIn other(bus.Address());
  other.Do([](sd_bus* b) {
    sd_bus_emit_signal(b, GnomeShellForegroundWindow::kObjectPath, GnomeShellForegroundWindow::kInterface, "Changed",
                       "susb", "666", 1u, "Impostor", 1);
    sd_bus_flush(b);
  });
  // The bus passes the extension's next signal on after the impostor's.
  extension.Focus({"102", 5002, "Beta"});
  const WindowHandle beta = WaitForTitle(w, "Beta");
  ASSERT_NE(beta, 0u);
  // Each window seen gets the next handle: none went to the impostor's.
  EXPECT_EQ(beta, alpha + 1);
}

// GNOME Shell itself, as far as its version goes.
class ShellStandIn final : public BusStandIn {
 public:
  ShellStandIn(const std::string& address, std::string version) : BusStandIn(address), version_(std::move(version)) {
    Do([this](sd_bus* bus) {
      static const sd_bus_vtable kVtable[] = {
          SD_BUS_VTABLE_START(0),
          SD_BUS_PROPERTY("ShellVersion", "s", &ShellStandIn::Version, 0, SD_BUS_VTABLE_PROPERTY_CONST),
          SD_BUS_VTABLE_END,
      };
      sd_bus_slot* slot = nullptr;
      sd_bus_add_object_vtable(bus, &slot, "/org/gnome/Shell", "org.gnome.Shell", kVtable, this);
      Keep(slot);
      sd_bus_request_name(bus, "org.gnome.Shell", 0);
    });
  }

 private:
  static int Version(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data,
                     sd_bus_error*) {
    return sd_bus_message_append(reply, "s", static_cast<ShellStandIn*>(data)->version_.c_str());
  }
  std::string version_;
};

TEST_F(GnomeShellTest, NamesTheExtensionMadeForTheRunningShell) {
  const struct {
    const char* version;  // nullptr: the Shell does not answer
    const char* uuid;
  } cases[] = {
      {"46.2", "tarvelo-foreground@tarvelo.org"},
      {"45.rc", "tarvelo-foreground@tarvelo.org"},
      {"43.9", "tarvelo-foreground-legacy@tarvelo.org"},
      {"40.0", "tarvelo-foreground-legacy@tarvelo.org"},
      {"", "tarvelo-foreground@tarvelo.org"},
      {nullptr, "tarvelo-foreground@tarvelo.org"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version != nullptr ? c.version : "no Shell");
    std::unique_ptr<ShellStandIn> shell;
    if (c.version != nullptr) shell = std::make_unique<ShellStandIn>(bus.Address(), c.version);
    GnomeShellForegroundWindow w(bus.Address());
    const std::string expected = std::string("gnome-extensions enable ") + c.uuid + " ";
    EXPECT_TRUE(WaitFor([&] {
      w.Foreground();
      return w.WhyUnseen().find(expected) != std::string::npos;
    })) << w.WhyUnseen();
  }
}

}  // namespace
}  // namespace platform::linux_impl
