#include "update/run/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "platform/files.h"
#include "update/base/exit_codes.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineTest, EveryQuietSpellingInAnyLetterCaseWithSlashOrDash) {
  for (const char* spelling :
       {"/quiet", "-QUIET", "/S", "-s", "/Silent", "-verysilent", "/VERYSILENT"}) {
    const mwn::CommandLine command = mwn::ParseCommandLine({spelling});
    EXPECT_TRUE(command.understood && command.options.quiet && !command.options.log) << spelling;
  }
  const mwn::CommandLine none = mwn::ParseCommandLine({});
  EXPECT_TRUE(none.understood && !none.options.quiet && !none.options.log);
}

TEST(CommandLineTest, LogAndReportTakeTheirPathAsTheNextArgumentAfterAnEqualsSignOrNone) {
  const std::map<Arguments, std::string> paths = {
      {{"/log", "C:\\x.log"}, "C:\\x.log"},
      {{"-LOG", "D:\\My Logs\\x.log", "/quiet"}, "D:\\My Logs\\x.log"},
      {{"/Log=C:\\Logs\\Run.LOG"}, "C:\\Logs\\Run.LOG"},
      {{"/log"}, ""},
      {{"/log", "/quiet"}, ""},
  };
  for (const auto& [arguments, path] : paths) {
    const mwn::CommandLine command = mwn::ParseCommandLine(arguments);
    EXPECT_TRUE(command.understood && command.options.log) << arguments[0];
    EXPECT_EQ(command.options.logPath, path);
    Arguments report = arguments;
    report[0].replace(1, 3, "report");
    const mwn::CommandLine reported = mwn::ParseCommandLine(report);
    EXPECT_TRUE(reported.understood && reported.options.report && !reported.options.log)
        << report[0];
    EXPECT_EQ(reported.options.reportPath, path);
  }
  const mwn::Options both =
      mwn::ParseCommandLine({"/CHECK", "-ReplaceInUse", "/report", "r.json", "/log=l.log"}).options;
  EXPECT_TRUE(both.check && both.replaceInUse && !both.quiet);
  EXPECT_EQ(both.reportPath + " " + both.logPath, "r.json l.log");
}

TEST(CommandLineTest, UnknownSwitchesStrayWordsAndAnEmptyLogPathAreRefused) {
  const std::map<Arguments, std::string> refused = {
      {{"/bogus"}, "/bogus"}, {{"quiet"}, "quiet"},         {{"/log="}, "/log="},
      {{"/"}, "/"},           {{"/log", "a", "b"}, "b"},    {{"/s", "--silent"}, "--silent"},
      {{"/report="}, "/report="}, {{"/checks"}, "/checks"}, {{"/replace"}, "/replace"},
  };
  for (const auto& [arguments, first] : refused) {
    const mwn::CommandLine command = mwn::ParseCommandLine(arguments);
    EXPECT_FALSE(command.understood) << first;
    EXPECT_EQ(command.refused, first);
  }
  // Quiet wherever the switch stands, so that the refusal shows nothing.
  EXPECT_TRUE(mwn::ParseCommandLine({"/bogus", "/quiet"}).options.quiet);
}

TEST(CommandLineTest, TheElevatedInstanceReadsBackTheImageIdentityAndNothingLikeIt) {
  const mwn::FileIdentity identity{0x89ABCDEFu, 0x0001000200030004ull};
  const std::string argument = mwn::ImageIdentityArgument(identity);
  EXPECT_EQ(argument, "--image=89ABCDEF-0001000200030004");
  mwn::FileIdentity read;
  EXPECT_TRUE(mwn::ParseImageIdentityArgument(argument, read) && read == identity);
  for (const char* other :
       {"--image=89ABCDEF-000100020003000", "--image=89ABCDEF-00010002000300045",
        "--image=89abcdef-0001000200030004", "--image=89ABCDEF+0001000200030004",
        "--IMAGE=89ABCDEF-0001000200030004", "--image=89ABCDEF-000100020003000G", "--image=",
        "C:\\list.txt"}) {
    EXPECT_FALSE(mwn::ParseImageIdentityArgument(other, read)) << other;
  }
}

// Every code the program can end with is in the user's guide's table, with
// the meaning the log writes, and the table names no other.
TEST(ExitCodeTest, TheGuidesTableListsEveryCodeWithItsMeaning) {
  std::ifstream guide(MWN_USAGE_GUIDE);
  ASSERT_TRUE(guide) << MWN_USAGE_GUIDE;
  const std::regex row(R"(^\| (\d+) \| (.+) \|$)");
  std::map<int, std::string> table;
  bool inSection = false;
  for (std::string line; std::getline(guide, line);) {
    if (line.rfind("## ", 0) == 0) inSection = line == "## Exit codes";
    std::smatch match;
    if (inSection && std::regex_match(line, match, row)) table[std::stoi(match[1])] = match[2];
  }
  std::map<int, std::string> codes;
  for (int value = 0; value <= 0xFFFF; ++value) {
    const std::string meaning = mwn::ExitCodeMeaning(static_cast<mwn::ExitCode>(value));
    if (!meaning.empty()) codes[value] = meaning;
  }
  ASSERT_FALSE(table.empty()) << "no table under Exit codes in " << MWN_USAGE_GUIDE;
  EXPECT_EQ(table, codes);
}

}  // namespace
