#include "boost/ProcessPageLogic.h"

#include "boost/ForegroundBooster.h"
#include "settings/Settings.h"

namespace tarvelo {

ProcessPageLogic::ProcessPageLogic(form::FormView& view, Settings& settings, ForegroundBooster& booster,
                                   platform::Privileges& privileges, std::function<std::string()> timeOfDay)
    : view_(view), settings_(settings), booster_(booster), notice_(booster, privileges), timeOfDay_(std::move(timeOfDay)) {}

void ProcessPageLogic::FillSpeedList() {
  view_.SetItems("ComboSpeed", {std::string(ForegroundBooster::kAboveNormal), std::string(ForegroundBooster::kHigh)});
  view_.ChooseIndex("ComboSpeed", 0);
}

void ProcessPageLogic::LoadBoosterSettings() {
  view_.SetChecked("CheckNowImproveProcess",
                   CheckValueFromSetting(settings_.ReadSetting(keys::EnableImproveProcess)) != 0);
  // An unknown level leaves the first entry chosen.
  if (!view_.Choose("ComboSpeed", settings_.ReadSetting(keys::ImproveSpeed))) view_.ChooseIndex("ComboSpeed", 0);
  UpdateBoostNotice();
}

void ProcessPageLogic::SwitchClicked() {
  settings_.WriteSetting(keys::EnableImproveProcess, CheckValueText(Enabled()));
  UpdateBoostNotice();
}

void ProcessPageLogic::LevelChosen() {
  settings_.WriteSetting(keys::ImproveSpeed, view_.Text("ComboSpeed"));
  UpdateBoostNotice();
}

bool ProcessPageLogic::Enabled() const { return view_.Checked("CheckNowImproveProcess"); }

ProcessPageLogic::TickNews ProcessPageLogic::Tick() {
  TickNews news;
  if (const auto boost = booster_.Tick(Enabled(), view_.Text("ComboSpeed"))) {
    ShowBoost(*boost);
    news.boostedTitle = boost->title;
  }
  news.fasterFigure = booster_.PollFigure();
  // A compositor may come and go, and an extension be enabled, at any time;
  // a boost tried may show that the right came or went.
  if (notice_.Stale()) UpdateBoostNotice();
  return news;
}

void ProcessPageLogic::ShowBoost(const Boost& boost) {
  view_.SetText("LabelNowImproveProcess", boost.title);
  // The whole title for whoever points at it: a long one is cut off.
  view_.SetToolTip("LabelNowImproveProcess", boost.title);
  view_.AddRow("ListViewHistory", {boost.number, timeOfDay_(), boost.title, boost.priority});
  view_.ScrollToRow("ListViewHistory", view_.RowCount("ListViewHistory") - 1);
  view_.SetText("LabelImprovedCount", std::to_string(boost.count));
}

void ProcessPageLogic::UpdateBoostNotice() {
  const BoostNoticeView notice = notice_.Read(Enabled(), view_.Text("ComboSpeed"));
  view_.SetText("LabelBoostNotice", notice.text);
  view_.Show("LabelBoostNotice", !notice.text.empty());
  view_.Show("CommandAllow", notice.offerAllow);
}

}  // namespace tarvelo
