#include "winapp/WinAdBanner.h"

#include <shellapi.h>
#include <winhttp.h>

#include "winui/WinUi.h"

namespace tarvelo::winapp {

WinAdBanner::WinAdBanner(HWND window, HWND label, std::string adAddress, std::string pageAddress)
    : window_(window), label_(label), adAddress_(std::move(adAddress)), pageAddress_(std::move(pageAddress)) {}

WinAdBanner::~WinAdBanner() {
  ::KillTimer(window_, kTimerAd);
  {
    // Closing the request ends a download that is waiting for the site.
    const std::lock_guard lock(requestMutex_);
    ending_ = true;
    if (request_ != nullptr) ::WinHttpCloseHandle(request_);
    request_ = nullptr;
  }
  if (worker_.joinable()) worker_.join();
}

void WinAdBanner::WindowShown() {
  if (shown_) return;
  backoff_.Reset();
  if (!polling_) {
    polling_ = true;
    ::SetTimer(window_, kTimerAd, kTimerAdMs, nullptr);
  }
}

bool WinAdBanner::OnTimer(UINT_PTR id) {
  if (id != kTimerAd) return false;
  if (!downloading_ && backoff_.Tick()) Download();
  return true;
}

void WinAdBanner::Download() {
  if (worker_.joinable()) worker_.join();  // the earlier one has ended: downloading_ is false
  downloading_ = true;
  worker_ = std::thread([this, address = adAddress_, window = window_] {
    auto* text = new std::string(Fetch(address));
    if (!::PostMessageW(window, kDownloaded, 0, reinterpret_cast<LPARAM>(text))) delete text;
    downloading_ = false;
  });
}

std::string WinAdBanner::Fetch(const std::string& address) {
  // The address in its parts.
  std::wstring wide = winui::Wide(address);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!::WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) return {};

  const std::wstring agent = winui::Wide(ModuleAd::kAgentName);
  // A direct connection, like the product always made.
  HINTERNET handle = ::WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
  if (handle == nullptr) return {};
  ::WinHttpSetTimeouts(handle, static_cast<int>(kTimeoutMs), static_cast<int>(kTimeoutMs),
                       static_cast<int>(kTimeoutMs), static_cast<int>(kTimeoutMs));
  std::string body;
  bool ok = false;
  HINTERNET connection = ::WinHttpConnect(handle, host, parts.nPort, 0);
  HINTERNET request = connection == nullptr
                          ? nullptr
                          : ::WinHttpOpenRequest(connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                                 WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                 WINHTTP_FLAG_REFRESH |
                                                     (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  {
    const std::lock_guard lock(requestMutex_);
    if (ending_ && request != nullptr) {
      ::WinHttpCloseHandle(request);
      request = nullptr;
    }
    request_ = request;
  }
  if (request != nullptr) {
    DWORD redirects = ModuleAd::kMaxRedirects;
    ::WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof(redirects));
    if (::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
        ::WinHttpReceiveResponse(request, nullptr)) {
      DWORD status = 0;
      DWORD size = sizeof(status);
      ::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                            &status, &size, WINHTTP_NO_HEADER_INDEX);
      ok = status == 200;
      char buffer[4096];
      DWORD read = 0;
      while (ok && ::WinHttpReadData(request, buffer, sizeof(buffer), &read) && read > 0) {
        body.append(buffer, read);
        // No advertisement is that long.
        if (body.size() > ModuleAd::kMaxReplyBytes) ok = false;
      }
    }
    // Closed here unless the end of the program closed it already.
    const std::lock_guard lock(requestMutex_);
    if (request_ == request) ::WinHttpCloseHandle(request);
    request_ = nullptr;
  }
  if (connection != nullptr) ::WinHttpCloseHandle(connection);
  ::WinHttpCloseHandle(handle);
  return ok ? ModuleAd::BannerText(body) : std::string();
}

void WinAdBanner::OnDownloaded(LPARAM lParam) {
  auto* text = reinterpret_cast<std::string*>(lParam);
  const std::string banner = text != nullptr ? *text : std::string();
  delete text;
  if (banner.empty()) {
    // No advertisement: the banner stays as it is, the poll goes on, less often.
    backoff_.Failed();
    return;
  }
  backoff_.Reset();
  shown_ = true;
  ::SetWindowTextW(label_, winui::Wide(banner).c_str());
  ::ShowWindow(label_, SW_SHOWNA);
  ::KillTimer(window_, kTimerAd);
}

void WinAdBanner::Clicked() {
  ::ShellExecuteW(window_, L"open", winui::Wide(pageAddress_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tarvelo::winapp
