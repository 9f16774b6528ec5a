#pragma once

#include <string_view>

#include "forms/FormView.h"

namespace tarvelo {

// What the Status page shows, whichever window shows it: the clock, the
// window sped up last, the figure measured after it, the count of limited
// processes and the memory in use.
class StatusPageLogic {
 public:
  explicit StatusPageLogic(form::FormView& view) : view_(view) {}

  // The figure is easily read as "the whole system is this much faster":
  // its caption and value say, to whoever points at them, what it measures.
  void ExplainFigures();

  void ShowTime(std::string_view text) { view_.SetText("LabelTime", text); }
  void ShowBoost(std::string_view title) { view_.SetText("LabelStateNowImproving", title); }
  void ShowFasterFigure(std::string_view figure) { view_.SetText("LabelSpeed", figure); }
  void ShowLimitedCount(int count);
  void ShowMemoryUsage(std::string_view text) { view_.SetText("LabelStateMemoryState", text); }

 private:
  form::FormView& view_;
};

}  // namespace tarvelo
