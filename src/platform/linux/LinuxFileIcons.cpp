#include "platform/linux/LinuxFileIcons.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace platform::linux_impl {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GString = std::unique_ptr<char, GFreeDeleter>;

struct AppListDeleter {
  void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

std::string Resolve(const std::string& program) {
  if (program.empty()) return {};
  GString found(g_find_program_in_path(program.c_str()));
  if (!found) return {};
  char resolved[PATH_MAX];
  return ::realpath(found.get(), resolved) != nullptr ? std::string(resolved) : std::string(found.get());
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Programs that start other programs: an entry that runs one says nothing
// about the icon of that program itself.
bool IsLauncher(const std::string& name) {
  static const char* const kLaunchers[] = {"sh",   "bash",   "dash",    "zsh",  "env",  "flatpak", "snap",
                                           "sudo", "pkexec", "python3", "perl", "java", "xdg-open"};
  return std::any_of(std::begin(kLaunchers), std::end(kLaunchers), [&](const char* l) { return name == l; });
}

// Adds key -> source; a key that two entries claim with different icons
// identifies neither and is dropped.
void Claim(std::map<std::string, std::optional<IconSource>>& map, const std::string& key, const IconSource& source) {
  const auto [it, added] = map.emplace(key, source);
  if (!added && it->second != source) it->second.reset();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
  return text;
}

IconSource SourceOf(GAppInfo* app) {
  IconSource source;
  GIcon* icon = g_app_info_get_icon(app);  // owned by the app
  if (icon == nullptr) return source;
  if (G_IS_THEMED_ICON(icon)) {
    const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
    if (names != nullptr && names[0] != nullptr) source.themeName = names[0];
  } else if (G_IS_FILE_ICON(icon)) {
    GString path(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
    if (path) source.filePath = path.get();
  }
  return source;
}

}  // namespace

void LinuxFileIcons::LoadRegistry() {
  loaded_ = true;
  std::unique_ptr<GList, AppListDeleter> apps(g_app_info_get_all());
  for (GList* item = apps.get(); item != nullptr; item = item->next) {
    auto* app = G_APP_INFO(item->data);
    if (!G_IS_DESKTOP_APP_INFO(app)) continue;
    const IconSource source = SourceOf(app);
    if (source.themeName.empty() && source.filePath.empty()) continue;
    auto* desktop = G_DESKTOP_APP_INFO(app);
    std::string programs[2];
    if (const char* exec = g_app_info_get_executable(app)) programs[0] = exec;
    if (GString tryExec{g_desktop_app_info_get_string(desktop, "TryExec")}) programs[1] = tryExec.get();
    for (const std::string& program : programs) {
      if (program.empty() || IsLauncher(BaseName(program))) continue;
      if (const std::string path = Resolve(program); !path.empty()) Claim(byPath_, path, source);
      Claim(byName_, BaseName(program), source);
    }
    if (const char* wmClass = g_desktop_app_info_get_startup_wm_class(desktop)) {
      Claim(byWmClass_, Lower(wmClass), source);
    }
  }
}

IconSource LinuxFileIcons::IconOf(const std::string& exePath) {
  if (const auto it = answers_.find(exePath); it != answers_.end()) return it->second;
  if (!loaded_) LoadRegistry();
  IconSource answer;
  char resolved[PATH_MAX];
  const std::string real = ::realpath(exePath.c_str(), resolved) != nullptr ? resolved : exePath;
  const std::string name = BaseName(real);
  for (const auto& [map, key] : {std::pair{&byPath_, real}, {&byName_, name}, {&byWmClass_, Lower(name)}}) {
    const auto it = map->find(key);
    if (it != map->end() && it->second) {
      answer = *it->second;
      break;
    }
  }
  answers_.emplace(exePath, answer);
  return answer;
}

}  // namespace platform::linux_impl
