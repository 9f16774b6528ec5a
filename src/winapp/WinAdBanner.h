#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "app/ModuleAd.h"

namespace tarvelo::winapp {

// The advertisement banner of the Windows program: TimerAd polls the product
// site (WinHTTP, on a thread of its own, so the window never waits) until a
// text arrives; the text shows in LabelAd as plain text, and a click opens
// the advertised page. Polls that bring nothing come ever less often until
// the window shows again. Nothing is asked before the window first shows.
class WinAdBanner {
 public:
  static constexpr UINT kDownloaded = WM_APP + 21;  // lParam: the text, a std::string* to delete
  static constexpr UINT_PTR kTimerAd = 210;
  static constexpr UINT kTimerAdMs = 3000;
  static constexpr DWORD kTimeoutMs = 5000;

  WinAdBanner(HWND window, HWND label, std::string adAddress, std::string pageAddress);
  ~WinAdBanner();
  WinAdBanner(const WinAdBanner&) = delete;
  WinAdBanner& operator=(const WinAdBanner&) = delete;

  // The window was shown: the poll starts (or starts over) at the next tick.
  void WindowShown();
  // A WM_TIMER of the window; false for another timer.
  bool OnTimer(UINT_PTR id);
  // kDownloaded: the text that came, "" for none or a failure.
  void OnDownloaded(LPARAM lParam);
  // A click on the banner.
  void Clicked();

 private:
  void Download();
  // The advertisement text at address, "" for none; runs on the worker.
  std::string Fetch(const std::string& address);

  HWND window_;
  HWND label_;
  std::string adAddress_;
  std::string pageAddress_;
  ModuleAd::PollBackoff backoff_;
  bool polling_ = false;
  bool shown_ = false;  // an advertisement is in the banner
  std::atomic<bool> downloading_{false};
  std::thread worker_;
  std::mutex requestMutex_;
  void* request_ = nullptr;  // the WinHTTP request running, for the end to cancel
  bool ending_ = false;
};

}  // namespace tarvelo::winapp
