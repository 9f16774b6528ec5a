#include "cpulimit/ProcessList.h"

#include <gtest/gtest.h>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

using namespace std::string_literals;

class ProcessListTest : public ::testing::Test {
 protected:
  ProcessListTest() {
    table.processes = {{4, "kworker"}, {100, "Editor"}, {7, "ghost"}, {200, "Editor"}, {300, "  Tool.bin \0x"s}};
    table.modules[100] = {"/Opt/Apps/EDITOR", "/usr/lib/libc.so.6"};
    table.modules[200] = {"/usr/lib/libfoo.so", "/Opt/Apps/Editor"};
    table.modules[7] = {"/usr/bin/other"};  // its name is in no module's path
    table.modules[300] = {"/srv/Tool.bin"};
  }
  platform::fake::FakeProcessTable table;
};

TEST_F(ProcessListTest, ListsOnlyProcessesWithAPathNumberedWithoutGaps) {
  const std::vector<ProcessRow> expected = {
      {1, 100, "Editor", "/opt/apps/editor", "P2"},
      {2, 200, "Editor", "/opt/apps/editor", "P3"},
      {3, 300, "Tool.bin", "/srv/tool.bin", "P4"},
  };
  EXPECT_EQ(LoadProcessList(table), expected);
  EXPECT_EQ(LoadProcessList(table), expected);  // the same again, nothing doubled
}

TEST_F(ProcessListTest, PathIsTheFirstModuleThatHoldsTheName) {
  EXPECT_EQ(GetProcessPath(table, 200, "editor"), "/opt/apps/editor");
  EXPECT_EQ(GetProcessPath(table, 100, " LIBC "), "/usr/lib/libc.so.6");
  EXPECT_EQ(GetProcessPath(table, 7, "ghost"), "");
  EXPECT_EQ(GetProcessPath(table, 12345, "anything"), "");
  table.modules[9] = {"/home/J\xC3\x9CRGEN/Caf\xC3\x89.bin"};  // only ASCII letters change case
  EXPECT_EQ(GetProcessPath(table, 9, "caf\xC3\x89"), "/home/j\xC3\x9Crgen/caf\xC3\x89.bin");
}

TEST_F(ProcessListTest, AKnownExecutableDecidesWithoutReadingTheModules) {
  // A snapshot that read the executable link hands it over: where it holds
  // the name the modules are not read; where it does not (a script run by
  // its interpreter), they are, with the same result as without the link.
  table.processes = {{100, "Editor", "/Opt/Apps/EDITOR"}, {300, "Tool.bin", "/usr/bin/python3"}, {7, "ghost", ""}};
  table.modules[300] = {"/usr/bin/python3", "/srv/Tool.bin"};
  const std::vector<ProcessRow> expected = {
      {1, 100, "Editor", "/opt/apps/editor", "P2"},
      {2, 300, "Tool.bin", "/srv/tool.bin", "P3"},
  };
  EXPECT_EQ(LoadProcessList(table), expected);
  EXPECT_EQ(table.moduleReads, 2) << "only the script and the process without a known executable";
}

}  // namespace
}  // namespace tarvelo
