#include "platform/linux/foreground/KWinForegroundWindow.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace platform::linux_impl {

namespace {

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kScriptingPath = "/Scripting";
constexpr const char* kScriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* kScriptInterface = "org.kde.kwin.Script";
// KWin answers at once; a KWin that hangs must not hold Tarvelo's start for long.
constexpr std::uint64_t kCallTimeoutUsec = 2'000'000;

const char* const kNoBus = "The booster cannot reach the session bus to ask KWin for the window in front.";
const char* const kNoKWin = "The booster cannot load its KWin script: KWin does not answer on the session bus.";

// One argument of a call as text, whatever basic type the script's engine
// chose for it; false at the end of the arguments or for another type.
bool ReadArgument(sd_bus_message* m, std::string& out) {
  char type = 0;
  if (sd_bus_message_peek_type(m, &type, nullptr) <= 0) return false;
  switch (type) {
    case 's': case 'o': case 'g': {
      const char* text = nullptr;
      if (sd_bus_message_read_basic(m, type, &text) < 0) return false;
      out = text;
      return true;
    }
    case 'b': {
      int value = 0;
      if (sd_bus_message_read_basic(m, 'b', &value) < 0) return false;
      out = value ? "1" : "0";
      return true;
    }
    case 'i': case 'u': {
      std::uint32_t value = 0;
      if (sd_bus_message_read_basic(m, type, &value) < 0) return false;
      out = type == 'i' ? std::to_string(static_cast<std::int32_t>(value)) : std::to_string(value);
      return true;
    }
    case 'x': case 't': {
      std::uint64_t value = 0;
      if (sd_bus_message_read_basic(m, type, &value) < 0) return false;
      out = type == 'x' ? std::to_string(static_cast<std::int64_t>(value)) : std::to_string(value);
      return true;
    }
    case 'd': {
      double value = 0;
      if (sd_bus_message_read_basic(m, 'd', &value) < 0) return false;
      out = std::isfinite(value) ? std::to_string(std::llround(value)) : "0";
      return true;
    }
    default: return false;
  }
}

std::int64_t ToNumber(const std::string& text) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' ? value : 0;
}

// A JavaScript string literal of any text.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string KWinForegroundWindow::ScriptText(const std::string& service) {
  return "// Tells Tarvelo which window is active; Tarvelo loads and unloads it.\n"
         "(function () {\n"
         "  var service = " + Quoted(service) + ";\n"
         "  var watched = null;\n"
         "  function send(w) {\n"
         "    if (!w) {\n"
         "      callDBus(service, \"" + std::string(kObjectPath) + "\", \"" + kInterface + "\", \"Activated\",\n"
         "               \"\", \"0\", \"\", \"\");\n"
         "      return;\n"
         "    }\n"
         "    callDBus(service, \"" + std::string(kObjectPath) + "\", \"" + kInterface + "\", \"Activated\",\n"
         "             String(w.internalId), String(w.pid), String(w.caption),\n"
         "             w.localhost === true ? \"localhost\" : String(w.clientMachine || \"\"));\n"
         "  }\n"
         "  function captionChanged() { if (watched) send(watched); }\n"
         "  function removed(w) {\n"
         "    if (!w) return;\n"
         "    if (w === watched) {\n"
         "      try { watched.captionChanged.disconnect(captionChanged); } catch (e) {}\n"
         "      watched = null;\n"
         "    }\n"
         "    callDBus(service, \"" + std::string(kObjectPath) + "\", \"" + kInterface + "\", \"Closed\",\n"
         "             String(w.internalId));\n"
         "  }\n"
         "  function activated(w) {\n"
         "    if (watched) { try { watched.captionChanged.disconnect(captionChanged); } catch (e) {} }\n"
         "    watched = w || null;\n"
         "    if (watched) watched.captionChanged.connect(captionChanged);\n"
         "    send(watched);\n"
         "  }\n"
         "  if (workspace.windowActivated) {  // Plasma 6\n"
         "    workspace.windowActivated.connect(activated);\n"
         "    if (workspace.windowRemoved) workspace.windowRemoved.connect(removed);\n"
         "    activated(workspace.activeWindow);\n"
         "  } else {  // Plasma 5\n"
         "    workspace.clientActivated.connect(activated);\n"
         "    if (workspace.clientRemoved) workspace.clientRemoved.connect(removed);\n"
         "    activated(workspace.activeClient);\n"
         "  }\n"
         "})();\n";
}

KWinForegroundWindow::KWinForegroundWindow(const std::string& busAddress, const std::string& scriptParent)
    : bus_(OpenSessionBus(busAddress)) {
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) == 0) hostName_ = host;
  if (!bus_) {
    SetProblem(kNoBus);
    return;
  }
  sd_bus_set_method_call_timeout(bus_.get(), kCallTimeoutUsec);
  sd_bus_slot* slot = nullptr;
  if (sd_bus_add_object(bus_.get(), &slot, kObjectPath, &KWinForegroundWindow::OnCall, this) >= 0) {
    object_.reset(slot);
  }
  slot = nullptr;
  if (sd_bus_add_match(bus_.get(), &slot,
                       "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                       "member='NameOwnerChanged',arg0='org.kde.KWin'",
                       &KWinForegroundWindow::OnOwnerChanged, this) >= 0) {
    ownerWatch_.reset(slot);
  }
  std::string pattern = (scriptParent.empty() ? std::string("/tmp") : scriptParent) + "/tarvelo-kwin-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) {
    scriptDir_ = pattern;
    scriptPath_ = scriptDir_ + "/foreground.js";
  }
  LoadScript();
}

KWinForegroundWindow::~KWinForegroundWindow() {
  UnloadScript();
  if (!scriptDir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(scriptDir_, ec);
  }
}

std::unique_ptr<ForegroundWindow> KWinForegroundWindow::OnSessionBus() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return std::make_unique<KWinForegroundWindow>("", runtime != nullptr && *runtime != '\0' ? runtime : "/tmp");
}

void KWinForegroundWindow::LoadScript() {
  reload_ = false;
  ForgetAll();
  scriptId_ = -1;
  const char* unique = nullptr;
  if (scriptPath_.empty() || sd_bus_get_unique_name(bus_.get(), &unique) < 0) {
    SetProblem(kNoKWin);
    return;
  }
  {
    std::ofstream file(scriptPath_, std::ios::trunc);
    file << ScriptText(unique);
    if (!file) {
      SetProblem(kNoKWin);
      return;
    }
  }
  // Only KWin's own connection may report windows.
  {
    SdBusError error;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "GetNameOwner", error.Get(), &reply, "s", kKWin);
    SdBusMessagePtr owned(reply);
    const char* owner = nullptr;
    if (r < 0 || sd_bus_message_read(reply, "s", &owner) < 0) {
      kwinOwner_.clear();
      SetProblem(kNoKWin);
      return;
    }
    kwinOwner_ = owner;
  }
  // KWin is there: a load that fails from here on is tried again.
  reload_ = true;
  // A script of ours left by a run that ended abruptly would block the name.
  sd_bus_call_method(bus_.get(), kKWin, kScriptingPath, kScriptingInterface, "unloadScript", nullptr, nullptr, "s",
                     kPluginName);
  SdBusError error;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call_method(bus_.get(), kKWin, kScriptingPath, kScriptingInterface, "loadScript", error.Get(), &reply,
                             "ss", scriptPath_.c_str(), kPluginName);
  SdBusMessagePtr owned(reply);
  std::int32_t id = -1;
  if (r < 0 || sd_bus_message_read(reply, "i", &id) < 0 || id < 0) {
    SetProblem(kNoKWin);
    return;
  }
  // Plasma 6 names the script's object /Scripting/Script<id>, Plasma 5 /<id>.
  for (const std::string& path : {"/Scripting/Script" + std::to_string(id), "/" + std::to_string(id)}) {
    SdBusError runError;
    r = sd_bus_call_method(bus_.get(), kKWin, path.c_str(), kScriptInterface, "run", runError.Get(), nullptr, "");
    if (r >= 0) {
      scriptId_ = id;
      reload_ = false;
      SetProblem({});
      return;
    }
  }
  sd_bus_call_method(bus_.get(), kKWin, kScriptingPath, kScriptingInterface, "unloadScript", nullptr, nullptr, "s",
                     kPluginName);
  SetProblem(kNoKWin);
}

void KWinForegroundWindow::UnloadScript() {
  if (!bus_ || scriptId_ < 0) return;
  sd_bus_call_method(bus_.get(), kKWin, kScriptingPath, kScriptingInterface, "unloadScript", nullptr, nullptr, "s",
                     kPluginName);
  scriptId_ = -1;
}

void KWinForegroundWindow::Refresh() {
  if (!bus_) return;
  for (int r = 1; r > 0;) {
    r = sd_bus_process(bus_.get(), nullptr);
    if (r < 0) {
      // The session bus has gone: the session is ending.
      bus_.reset();
      ForgetAll();
      scriptId_ = -1;
      SetProblem(kNoBus);
      return;
    }
  }
  if (reload_ && retry_.Due()) LoadScript();
}

int KWinForegroundWindow::OnCall(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<KWinForegroundWindow*>(data);
  const bool closed = sd_bus_message_is_method_call(m, KWinForegroundWindow::kInterface, "Closed") > 0;
  if (!closed && sd_bus_message_is_method_call(m, KWinForegroundWindow::kInterface, "Activated") <= 0) return 0;
  const char* sender = sd_bus_message_get_sender(m);
  if (sender == nullptr || self->kwinOwner_.empty() || self->kwinOwner_ != sender) {
    return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_ACCESS_DENIED, "only KWin reports the active window");
  }
  if (closed) {
    // A closed window's handle names its process no longer: the process may
    // be gone, and its id given to another.
    std::string id;
    if (!ReadArgument(m, id)) return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "expected id");
    self->Forget(id);
    return sd_bus_reply_method_return(m, "");
  }
  std::string id, pid, caption, machine;
  if (!ReadArgument(m, id) || !ReadArgument(m, pid) || !ReadArgument(m, caption) || !ReadArgument(m, machine)) {
    return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "expected id, pid, caption, machine");
  }
  if (id.empty()) {
    self->SetNoFront();
  } else {
    // KWin names a window's machine only for X11 clients; a Wayland client
    // is local by nature.
    const bool local = machine.empty() || machine == "localhost" || machine == self->hostName_;
    self->SetFront(id, ToNumber(pid), caption, local);
  }
  return sd_bus_reply_method_return(m, "");
}

int KWinForegroundWindow::OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<KWinForegroundWindow*>(data);
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0 || std::string_view(name) != kKWin) return 0;
  // KWin ended, or restarted with a fresh set of scripts.
  self->kwinOwner_.clear();
  self->scriptId_ = -1;
  self->ForgetAll();
  self->SetProblem(kNoKWin);
  if (newOwner != nullptr && *newOwner != '\0') {
    self->reload_ = true;
    self->retry_.Reset();
  }
  return 0;
}

}  // namespace platform::linux_impl
