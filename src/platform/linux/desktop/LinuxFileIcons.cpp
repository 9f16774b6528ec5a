#include "platform/linux/desktop/LinuxFileIcons.h"

#include <dlfcn.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <type_traits>

namespace platform::linux_impl {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GString = std::unique_ptr<char, GFreeDeleter>;

// GIO and GObject, loaded on the first question instead of with the program:
// most runs never show the process list, and the libraries add a tenth to
// the start-up. They stay loaded for the rest of the run (GObject types
// cannot be unloaded); without them no icon is known.
struct Gio {
  bool loaded = false;
  GList* (*app_info_get_all)() = nullptr;
  GIcon* (*app_info_get_icon)(GAppInfo*) = nullptr;
  const char* (*app_info_get_executable)(GAppInfo*) = nullptr;
  GType (*desktop_app_info_get_type)() = nullptr;
  char* (*desktop_app_info_get_string)(GDesktopAppInfo*, const char*) = nullptr;
  const char* (*desktop_app_info_get_startup_wm_class)(GDesktopAppInfo*) = nullptr;
  GType (*themed_icon_get_type)() = nullptr;
  const gchar* const* (*themed_icon_get_names)(GThemedIcon*) = nullptr;
  GType (*file_icon_get_type)() = nullptr;
  GFile* (*file_icon_get_file)(GFileIcon*) = nullptr;
  char* (*file_get_path)(GFile*) = nullptr;
  void (*object_unref)(gpointer) = nullptr;
  gboolean (*type_check_instance_is_a)(GTypeInstance*, GType) = nullptr;

  bool IsA(void* instance, GType (*type)()) const {
    return instance != nullptr && type_check_instance_is_a(static_cast<GTypeInstance*>(instance), type());
  }
};

const Gio& LoadGio() {
  static const Gio gio = [] {
    Gio g;
    void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return g;
    bool all = true;
    auto bind = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
      all = all && function != nullptr;
    };
    bind(g.app_info_get_all, "g_app_info_get_all");
    bind(g.app_info_get_icon, "g_app_info_get_icon");
    bind(g.app_info_get_executable, "g_app_info_get_executable");
    bind(g.desktop_app_info_get_type, "g_desktop_app_info_get_type");
    bind(g.desktop_app_info_get_string, "g_desktop_app_info_get_string");
    bind(g.desktop_app_info_get_startup_wm_class, "g_desktop_app_info_get_startup_wm_class");
    bind(g.themed_icon_get_type, "g_themed_icon_get_type");
    bind(g.themed_icon_get_names, "g_themed_icon_get_names");
    bind(g.file_icon_get_type, "g_file_icon_get_type");
    bind(g.file_icon_get_file, "g_file_icon_get_file");
    bind(g.file_get_path, "g_file_get_path");
    bind(g.object_unref, "g_object_unref");
    bind(g.type_check_instance_is_a, "g_type_check_instance_is_a");
    g.loaded = all;
    return g;
  }();
  return gio;
}

struct AppListDeleter {
  void operator()(GList* list) const { g_list_free_full(list, LoadGio().object_unref); }
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

IconSource SourceOf(const Gio& gio, GAppInfo* app) {
  IconSource source;
  GIcon* icon = gio.app_info_get_icon(app);  // owned by the app
  if (icon == nullptr) return source;
  if (gio.IsA(icon, gio.themed_icon_get_type)) {
    const gchar* const* names = gio.themed_icon_get_names(reinterpret_cast<GThemedIcon*>(icon));
    if (names != nullptr && names[0] != nullptr) source.themeName = names[0];
  } else if (gio.IsA(icon, gio.file_icon_get_type)) {
    GString path(gio.file_get_path(gio.file_icon_get_file(reinterpret_cast<GFileIcon*>(icon))));
    if (path) source.filePath = path.get();
  }
  return source;
}

}  // namespace

void LinuxFileIcons::LoadRegistry() {
  loaded_ = true;
  const Gio& gio = LoadGio();
  if (!gio.loaded) return;
  std::unique_ptr<GList, AppListDeleter> apps(gio.app_info_get_all());
  for (GList* item = apps.get(); item != nullptr; item = item->next) {
    if (!gio.IsA(item->data, gio.desktop_app_info_get_type)) continue;
    auto* app = static_cast<GAppInfo*>(item->data);
    const IconSource source = SourceOf(gio, app);
    if (source.themeName.empty() && source.filePath.empty()) continue;
    auto* desktop = static_cast<GDesktopAppInfo*>(item->data);
    std::string programs[2];
    if (const char* exec = gio.app_info_get_executable(app)) programs[0] = exec;
    if (GString tryExec{gio.desktop_app_info_get_string(desktop, "TryExec")}) programs[1] = tryExec.get();
    for (const std::string& program : programs) {
      if (program.empty() || IsLauncher(BaseName(program))) continue;
      if (const std::string path = Resolve(program); !path.empty()) Claim(byPath_, path, source);
      Claim(byName_, BaseName(program), source);
    }
    if (const char* wmClass = gio.desktop_app_info_get_startup_wm_class(desktop)) {
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
