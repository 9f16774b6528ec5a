#include "forms/Forms.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarvelo::form {
namespace {

const Form* const kEveryForm[] = {&MainForm(),    &StatusForm(),  &ProcessForm(), &CpuForm(),
                                  &MemoryForm(),  &SettingForm(), &AboutForm(),   &LimitDialogForm()};

// Each frontend finds a control by its name, and lays it out inside its window.
TEST(Forms, EveryControlHasItsOwnNameAndLiesInsideItsWindow) {
  for (const Form* form : kEveryForm) {
    std::set<std::string> names;
    for (const Control& c : form->controls) {
      SCOPED_TRACE(std::string(form->name) + "." + c.name);
      EXPECT_TRUE(names.insert(c.name).second) << "named twice";
      EXPECT_GE(c.left, 0);
      EXPECT_GE(c.top, 0);
      EXPECT_LE(c.left + c.width, form->width);
      EXPECT_LE(c.top + c.height, form->height);
      // Only a label may take the size of its text.
      if (c.kind != Kind::Label) {
        EXPECT_TRUE(c.width > 0 && c.height > 0);
      }
      EXPECT_EQ(c.kind == Kind::ListView, !c.columns.empty());
    }
  }
}

TEST(Forms, EachPageHasTheFormOfItsPanel) {
  for (const PageInfo& page : kPages) {
    const Form& form = PageForm(page.id);
    EXPECT_STREQ(form.name, page.panel);
    EXPECT_EQ(form.width, page.panelWidth);
    EXPECT_EQ(form.height, page.panelHeight);
  }
  EXPECT_STREQ(ProcessForm()["CommandAllow"].text, "Allow\u2026");
  EXPECT_TRUE(ProcessForm()["CommandAllow"].hidden);
}

TEST(FormsDeathTest, AControlTheFormDoesNotHaveIsAProgrammingError) {
  EXPECT_DEATH(StatusForm()["NoSuchControl"], "PictureState has no control NoSuchControl");
}

}  // namespace
}  // namespace tarvelo::form
