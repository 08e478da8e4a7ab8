// The command line: the argument as a whole, the program's path and folder, and the
// autostart entry made from that path.

#include "midiagent/AgentCommandLine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "midiagent/Autorun.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

TEST(AgentCommandLineTest, OnlyTheWholeArgumentTextCounts) {
    EXPECT_EQ(ParseAgentArgument("/QuIt"), AgentArgument::Quit);
    EXPECT_EQ(ParseAgentArgument("/SELECT"), AgentArgument::Select);
    EXPECT_EQ(ParseAgentArgument(ArgumentTextOf({"/quit", "now"})), AgentArgument::None);
    EXPECT_EQ(ParseAgentArgument("/quit "), AgentArgument::None);
    EXPECT_EQ(ParseAgentArgument("quit"), AgentArgument::None);
    EXPECT_EQ(ParseAgentArgument(""), AgentArgument::None);
}

TEST(AgentCommandLineTest, FirstTokenAndFolderFollowTheQuotes) {
    const std::string line = FullCommandLineOf("/opt/my apps/qmtmidiagent", "/select");
    EXPECT_EQ(line, "\"/opt/my apps/qmtmidiagent\" /select");
    EXPECT_EQ(FirstCommandLineToken(line), "/opt/my apps/qmtmidiagent");
    EXPECT_EQ(AgentFolderOf(line), "/opt/my apps");
    EXPECT_EQ(FirstCommandLineToken("/usr/bin/qmtmidiagent\t/quit"), "/usr/bin/qmtmidiagent");
    EXPECT_EQ(FirstCommandLineToken("qmt\"x"), "qmt");
    EXPECT_EQ(AgentFolderOf("qmtmidiagent /select"), "");
    EXPECT_EQ(AgentFolderOf("C:\\QMT\\qmtmidiagent.exe"), "C:\\QMT");
    // A folder longer than 260 characters is not entered.
    EXPECT_EQ(AgentFolderOf("/" + std::string(260, 'f') + "/qmtmidiagent"), "");
    EXPECT_EQ(AgentFolderOf("/" + std::string(259, 'f') + "/qmtmidiagent").size(), 260u);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AutorunTest, AQuotedPathIsStoredWithoutItsQuotesAndQuotedForExec) {
    TempFolder folder;
    AutorunEntry autorun(folder.file("autostart/qmtmidiagent.desktop"));
    EXPECT_FALSE(autorun.IsAutorunEnabled());
    ASSERT_TRUE(autorun.EnableAutorun("\"/opt/my apps/qmtmidiagent\" /select"));
    EXPECT_TRUE(autorun.IsAutorunEnabled());
    const std::string entry = readFile(autorun.path());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/qmtmidiagent\"\n"), std::string::npos) << entry;

    ASSERT_TRUE(autorun.EnableAutorun("/usr/bin/qmtmidiagent"));
    EXPECT_NE(readFile(autorun.path()).find("\nExec=/usr/bin/qmtmidiagent\n"), std::string::npos);

    ASSERT_TRUE(autorun.DisableAutorun());
    EXPECT_FALSE(autorun.IsAutorunEnabled());
    EXPECT_FALSE(autorun.DisableAutorun());
    EXPECT_FALSE(autorun.EnableAutorun("/" + std::string(260, 'p')));
}

TEST(AutorunTest, AnEntryTheDesktopHidIsOff) {
    TempFolder folder;
    folder.write("qmtmidiagent.desktop", "[Desktop Entry]\nExec=qmtmidiagent\nHidden=true\n");
    EXPECT_FALSE(AutorunEntry(folder.file("qmtmidiagent.desktop")).IsAutorunEnabled());
}

TEST(AutorunTest, ExecArgumentsEscapeWhatTheExecRulesReserve) {
    EXPECT_EQ(DesktopExecArgument("/opt/qmt/qmtmidiagent"), "/opt/qmt/qmtmidiagent");
    EXPECT_EQ(DesktopExecArgument("/opt/100%/agent"), "/opt/100%%/agent");
    // Inside quotes '"', '`', '$' and '\' take a backslash, and the value's own escaping
    // doubles every backslash once more.
    EXPECT_EQ(DesktopExecArgument("/opt/a \"b\"/$x"), "\"/opt/a \\\\\"b\\\\\"/\\\\$x\"");
}

}  // namespace
}  // namespace qmt
