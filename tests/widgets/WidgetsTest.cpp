#include <gtest/gtest.h>

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/TimeOfDay.h"
#include "widgets/Twips.h"

namespace tarvelo::widgets {
namespace {

TEST(Twips, FifteenToThePixelRoundedToTheNearest) {
  EXPECT_EQ(TwipsToPixels(0), 0);
  EXPECT_EQ(TwipsToPixels(15), 1);
  EXPECT_EQ(TwipsToPixels(100), 7);    // 6.67
  EXPECT_EQ(TwipsToPixels(1058), 71);  // 70.53
  EXPECT_EQ(TwipsToPixels(11790), 786);
  EXPECT_EQ(TwipsToPixels(-100), -7);
}

TEST(CheckBox, ClickComesOnlyFromTheUser) {
  QWidget page;
  CheckBox box(&page, "CheckAutoMin", "Auto minimize on start up", 1320, 960, 4335, 255);
  QSignalSpy clicks(&box, &CheckBox::Click);
  box.SetValue(1);
  EXPECT_EQ(box.Value(), 1);
  EXPECT_EQ(clicks.count(), 0);
  page.show();
  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
  EXPECT_EQ(box.Value(), 0);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(box.geometry(), QRect(88, 64, 289, 17));
}

TEST(ComboList, TextMustMatchAnEntryExactly) {
  QWidget page;
  ComboList list(&page, "ComboSpeed", 3000, 1920, 1815, 300);
  list.addItems({"Above Normal", "High"});
  QSignalSpy clicks(&list, &ComboList::Click);
  EXPECT_TRUE(list.SetText("High"));
  EXPECT_EQ(list.Text(), "High");
  EXPECT_FALSE(list.SetText("high"));
  EXPECT_FALSE(list.SetText("Above  Normal"));
  EXPECT_EQ(list.Text(), "High");
  EXPECT_EQ(clicks.count(), 0);
}

TEST(ListView, ReportRowsWithColumnsInTwips) {
  QWidget page;
  ListView list(&page, "ListViewHistory", 390, 3735, 6480, 1800,
                {{"NO.", 1058}, {"Time", 1764}, {"Target", 4939}, {"Priority", 2540}});
  EXPECT_EQ(list.columnCount(), 4);
  EXPECT_EQ(list.columnWidth(0), 71);
  EXPECT_EQ(list.headerItem()->text(3), "Priority");
  list.AddRow({" 1", "10:00:00", "<b>markup</b>", "High"});
  list.AddRow({" 2"});
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Text(0, 2), "<b>markup</b>");
  list.SetText(1, 3, "Above Normal");
  EXPECT_EQ(list.Text(1, 3), "Above Normal");
  EXPECT_EQ(list.Text(5, 0), "");
  EXPECT_EQ(list.SelectedRow(), -1);
  list.topLevelItem(1)->setSelected(true);
  EXPECT_EQ(list.SelectedRow(), 1);
}

TEST(Label, SizesItselfToItsTextUnlessFixed) {
  QWidget page;
  Label value(&page, "LabelSpeed", "0%", 3120, 1320);
  const int narrow = value.width();
  value.SetCaption("a much longer text than before");
  EXPECT_GT(value.width(), narrow);
  EXPECT_EQ(value.pos(), QPoint(208, 88));
  Label fixed(&page, "Label10", "x", 360, 480);
  fixed.SetFixedSizeTwips(6645, 810);
  fixed.SetCaption("another much longer text than before");
  EXPECT_EQ(fixed.size(), QSize(443, 54));
}

TEST(TimeOfDay, TheWaitEndsAtTheTurnOfTheNextSecond) {
  const std::pair<QTime, int> cases[] = {{QTime(1, 2, 3, 0), 1000}, {QTime(1, 2, 3, 1), 999},
                                         {QTime(1, 2, 3, 500), 500}, {QTime(23, 59, 59, 999), 1}};
  for (const auto& [time, wait] : cases) EXPECT_EQ(MsToNextSecond(time), wait) << time.toString().toStdString();
}

TEST(TimeOfDay, TheLocaleFormatAlwaysWithSeconds) {
  EXPECT_EQ(TimeOfDayFormat(QLocale(QLocale::German, QLocale::Germany)), "HH:mm:ss");
  const QString us = TimeOfDayFormat(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_TRUE(us.contains("mm:ss")) << us.toStdString();
  EXPECT_EQ(QLocale(QLocale::English, QLocale::UnitedStates).toString(QTime(14, 5, 9), us).left(7), "2:05:09");
  EXPECT_TRUE(TimeOfDayText(QTime(1, 2, 3)).contains("02")) << TimeOfDayText(QTime(1, 2, 3)).toStdString();
}

}  // namespace
}  // namespace tarvelo::widgets
