// The saved-state store of the controls: keys, order, defaults and typed reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/PropertyBag.h"

namespace tarvelo {
namespace {

using Entries = std::vector<PropertyBag::Entry>;

constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

const PropertyFont kVerdana{"Verdana", 7.5, false, false};
const PropertyFont kArialBold{"Arial", 9, true, false};

TEST(PropertyBag, KeysMatchWithoutRegardToCase) {
  PropertyBag bag{{"Caption", std::string("OK")}};
  ASSERT_NE(bag.Find("CAPTION"), nullptr);
  EXPECT_EQ(*bag.Find("caption"), PropertyBag::Value(std::string("OK")));
  EXPECT_EQ(bag.Find("Captio"), nullptr);
  EXPECT_EQ(bag.Find("Caption "), nullptr);
  EXPECT_EQ(bag.ReadString("cApTiOn", "x"), "OK");

  // Written again under another spelling: one entry, the first spelling.
  bag.Set("CAPTION", std::string("Cancel"));
  EXPECT_EQ(bag.Entries(), (Entries{{"Caption", std::string("Cancel")}}));
  bag.WriteProperty("caption", std::string("Exit"), std::string("wwbutton"));
  EXPECT_EQ(bag.Entries(), (Entries{{"Caption", std::string("Exit")}}));

  // Only ASCII letters fold.
  PropertyBag accented{{"\xC3\x89tat", true}};
  EXPECT_EQ(accented.Find("\xC3\xA9tat"), nullptr);
  EXPECT_NE(accented.Find("\xC3\x89TAT"), nullptr);
}

TEST(PropertyBag, KeysKeepTheOrderWritten) {
  PropertyBag bag;
  bag.Set("XpType", std::int64_t{2});
  bag.Set("Caption", std::string("OK"));
  bag.WriteProperty("Percent", std::int64_t{40}, std::int64_t{16});
  bag.Set("xptype", std::int64_t{3});  // in place
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"XpType", "Caption", "Percent"}));
  EXPECT_EQ(bag.Entries(), (Entries{{"XpType", std::int64_t{3}},
                                    {"Caption", std::string("OK")},
                                    {"Percent", std::int64_t{40}}}));

  // A key removed and written again goes to the end.
  bag.WriteProperty("XpType", std::int64_t{1}, std::int64_t{1});
  bag.WriteProperty("XpType", std::int64_t{2}, std::int64_t{1});
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"Caption", "Percent", "XpType"}));

  // The list constructor sets in order, later duplicates in place.
  const PropertyBag listed{{"B", true}, {"a", false}, {"b", std::int64_t{5}}};
  EXPECT_EQ(listed.Entries(), (Entries{{"B", std::int64_t{5}}, {"a", false}}));
  EXPECT_TRUE(PropertyBag{}.Keys().empty());
}

TEST(PropertyBag, ValuesAtTheirDefaultsAreNotWritten) {
  PropertyBag bag;
  bag.WriteProperty("Enabled", true, true);
  bag.WriteProperty("Percent", std::int64_t{16}, std::int64_t{16});
  bag.WriteProperty("HDDriveLetter", std::string(), std::string());
  bag.WriteProperty("Font", kVerdana, kVerdana);
  EXPECT_TRUE(bag.Entries().empty());

  bag.WriteProperty("Enabled", false, true);
  bag.WriteProperty("Percent", std::int64_t{40}, std::int64_t{16});
  bag.WriteProperty("Font", kArialBold, kVerdana);
  bag.WriteProperty("HDDriveLetter", std::string("D:\\"), std::string());
  EXPECT_EQ(bag.Entries(), (Entries{{"Enabled", false},
                                    {"Percent", std::int64_t{40}},
                                    {"Font", kArialBold},
                                    {"HDDriveLetter", std::string("D:\\")}}));

  // Back at the default, the earlier value goes.
  bag.WriteProperty("ENABLED", true, true);
  bag.WriteProperty("Font", kVerdana, kVerdana);
  EXPECT_EQ(bag.Find("Enabled"), nullptr);
  EXPECT_EQ(bag.Find("Font"), nullptr);
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"Percent", "HDDriveLetter"}));

  // A value equals its default only of the same kind.
  bag.WriteProperty("Percent", false, std::int64_t{0});
  EXPECT_EQ(*bag.Find("Percent"), PropertyBag::Value(false));

  // Set keeps a value whatever its default.
  bag.Set("Percent", std::int64_t{16});
  EXPECT_EQ(*bag.Find("Percent"), PropertyBag::Value(std::int64_t{16}));
}

TEST(PropertyBag, AbsentKeysReadAsTheirDefaults) {
  const PropertyBag bag{{"Other", std::string("x")}};
  EXPECT_EQ(bag.ReadBool("Enabled", true), true);
  EXPECT_EQ(bag.ReadBool("Enabled", false), false);
  EXPECT_EQ(bag.ReadInteger("Percent", 16, kInt16Min, kInt16Max), 16);
  EXPECT_EQ(bag.ReadInteger("Percent", 70000, kInt16Min, kInt16Max), 70000) << "the default is not range-checked";
  EXPECT_EQ(bag.ReadColor("BackColor", 4210752u), 4210752u);
  EXPECT_EQ(bag.ReadString("Caption", "wwbutton"), "wwbutton");
  EXPECT_EQ(bag.ReadFont("Font", kVerdana), kVerdana);
}

TEST(PropertyBag, TruthValues) {
  const PropertyBag bag{{"b1", true},
                        {"b0", false},
                        {"i0", std::int64_t{0}},
                        {"i1", std::int64_t{1}},
                        {"im", std::int64_t{-7}},
                        {"tT", std::string("True")},
                        {"tf", std::string("fALSE")},
                        {"tn", std::string(" 0 ")},
                        {"t2", std::string("2")},
                        {"tx", std::string("yes")},
                        {"te", std::string()},
                        {"tp", std::string(" True")},
                        {"f", kVerdana}};
  EXPECT_EQ(bag.ReadBool("b1", false), true);
  EXPECT_EQ(bag.ReadBool("b0", true), false);
  EXPECT_EQ(bag.ReadBool("i0", true), false);
  EXPECT_EQ(bag.ReadBool("i1", false), true);
  EXPECT_EQ(bag.ReadBool("im", false), true) << "any number but 0 is true";
  EXPECT_EQ(bag.ReadBool("tT", false), true);
  EXPECT_EQ(bag.ReadBool("tf", true), false);
  EXPECT_EQ(bag.ReadBool("tn", true), false);
  EXPECT_EQ(bag.ReadBool("t2", false), true);
  EXPECT_EQ(bag.ReadBool("tx", true), std::nullopt);
  EXPECT_EQ(bag.ReadBool("te", true), std::nullopt);
  EXPECT_EQ(bag.ReadBool("tp", false), std::nullopt) << "only numbers may have spaces around them";
  EXPECT_EQ(bag.ReadBool("f", true), std::nullopt);
}

TEST(PropertyBag, IntegersWithTheirRange) {
  const PropertyBag bag{{"n", std::int64_t{250}},
                        {"neg", std::int64_t{-1}},
                        {"big", std::int64_t{70000}},
                        {"t", true},
                        {"f", false},
                        {"text", std::string(" 2 ")},
                        {"signed", std::string("-42")},
                        {"plus", std::string("+5")},
                        {"word", std::string("fast")},
                        {"mixed", std::string("12px")},
                        {"empty", std::string()},
                        {"huge", std::string("99999999999999999999")},
                        {"font", kVerdana}};
  EXPECT_EQ(bag.ReadInteger("n", 1000, kInt32Min, kInt32Max), 250);
  EXPECT_EQ(bag.ReadInteger("neg", 16, kInt16Min, kInt16Max), -1);
  EXPECT_EQ(bag.ReadInteger("t", 16, kInt16Min, kInt16Max), -1) << "true is -1";
  EXPECT_EQ(bag.ReadInteger("f", 16, kInt16Min, kInt16Max), 0);
  EXPECT_EQ(bag.ReadInteger("text", 0, kInt32Min, kInt32Max), 2);
  EXPECT_EQ(bag.ReadInteger("signed", 0, kInt32Min, kInt32Max), -42);

  // The range holds for every kind, its ends included.
  EXPECT_EQ(bag.ReadInteger("big", 16, kInt16Min, kInt16Max), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("big", 16, kInt32Min, kInt32Max), 70000);
  EXPECT_EQ(bag.ReadInteger("n", 1, 250, 250), 250);
  EXPECT_EQ(bag.ReadInteger("n", 1, 251, 300), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("n", 1, 0, 249), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("t", 1, 0, 1), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("signed", 0, 0, 100), std::nullopt);

  // Texts that are no whole number, and fonts, are no integer.
  EXPECT_EQ(bag.ReadInteger("plus", 0, kInt32Min, kInt32Max), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("word", 1000, kInt32Min, kInt32Max), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("mixed", 0, kInt32Min, kInt32Max), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("empty", 0, kInt32Min, kInt32Max), std::nullopt);
  EXPECT_EQ(bag.ReadInteger("huge", 0, std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max()),
            std::nullopt);
  EXPECT_EQ(bag.ReadInteger("font", 0, kInt32Min, kInt32Max), std::nullopt);
}

TEST(PropertyBag, ColoursAreSignedOrUnsigned32BitNumbers) {
  const PropertyBag bag{{"grey", std::int64_t{4210752}},
                        {"white", std::int64_t{0xFFFFFFFF}},
                        {"system", std::int64_t{-2147483633}},  // 0x8000000F as a signed number
                        {"low", std::int64_t{-2147483649}},
                        {"high", std::int64_t{0x100000000}},
                        {"text", std::string("65280")},
                        {"word", std::string("green")},
                        {"t", true},
                        {"font", kVerdana}};
  EXPECT_EQ(bag.ReadColor("grey", 0), 4210752u);
  EXPECT_EQ(bag.ReadColor("white", 0), 0xFFFFFFFFu);
  EXPECT_EQ(bag.ReadColor("system", 0), 0x8000000Fu);
  EXPECT_EQ(bag.ReadColor("text", 0), 65280u);
  EXPECT_EQ(bag.ReadColor("t", 0), 0xFFFFFFFFu) << "true is -1";
  EXPECT_EQ(bag.ReadColor("low", 7), std::nullopt);
  EXPECT_EQ(bag.ReadColor("high", 7), std::nullopt);
  EXPECT_EQ(bag.ReadColor("word", 7), std::nullopt);
  EXPECT_EQ(bag.ReadColor("font", 7), std::nullopt);
}

TEST(PropertyBag, Texts) {
  const PropertyBag bag{{"s", std::string("d:\\data")},
                        {"e", std::string()},
                        {"n", std::int64_t{-12}},
                        {"t", true},
                        {"f", kVerdana}};
  EXPECT_EQ(bag.ReadString("s", "C:\\"), "d:\\data");
  EXPECT_EQ(bag.ReadString("e", "C:\\"), "") << "an empty text is a text";
  EXPECT_EQ(bag.ReadString("n", ""), "-12");
  EXPECT_EQ(bag.ReadString("t", "wwbutton"), std::nullopt) << "a truth value is not text";
  EXPECT_EQ(bag.ReadString("f", "wwbutton"), std::nullopt);
}

TEST(PropertyBag, Fonts) {
  const PropertyBag bag{{"Font", kArialBold}, {"Name", std::string("Arial")}, {"Size", std::int64_t{9}}};
  EXPECT_EQ(bag.ReadFont("font", kVerdana), kArialBold);
  EXPECT_EQ(bag.ReadFont("Name", kVerdana), std::nullopt);
  EXPECT_EQ(bag.ReadFont("Size", kVerdana), std::nullopt);
  EXPECT_NE(kArialBold, (PropertyFont{"Arial", 9, true, true}));
  EXPECT_NE(kArialBold, (PropertyFont{"Arial", 10, true, false}));
}

}  // namespace
}  // namespace tarvelo
