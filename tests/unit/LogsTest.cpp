#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "platform/ConfigStore.h"
#include "session/Session.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

class LogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VANTOR_CONFIG_DIR", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  }
  std::string Text(int selector) {
    auto bytes = test::ReadFile(LogFilePath(selector));
    return std::string(bytes.begin(), bytes.end());
  }
  test::TempDir dir;
};

TEST_F(LogsTest, EntriesAreCrLfLinesCutAt200BytesOnACharacterBoundary) {
  EXPECT_EQ(LogFolder(kActivityLog), dir / "data/vantor");
  ASSERT_EQ(AppendLog(kActivityLog, "Step 3 :"), 1u);
  AppendLog(kActivityLog, "a\0b");
  EXPECT_EQ(Text(kActivityLog), "\r\nStep 3 :\r\na");
  std::string ascii(300, 'x');
  EXPECT_EQ(EntryBytes(ascii, 200).size(), 200u);
  std::string wide = std::string(199, 'x') + "\xCE\xA9" + "tail";  // a 2-byte character across 200
  EXPECT_EQ(EntryBytes(wide, 200), std::string(199, 'x'));
  AppendLog(kRecoveryLog, wide);
  EXPECT_EQ(Text(kRecoveryLog), "\r\n" + std::string(199, 'x'));
}

TEST_F(LogsTest, ALogPastTheCapStartsAgain) {
  test::WriteFile(LogFilePath(kActivityLog), std::vector<uint8_t>(kLogSizeCap, 'z'));
  AppendLog(kActivityLog, "kept");
  EXPECT_EQ(std::filesystem::file_size(LogFilePath(kActivityLog)), kLogSizeCap + 6);
  AppendLog(kActivityLog, "new");
  EXPECT_EQ(Text(kActivityLog), "\r\nnew");
}

TEST_F(LogsTest, FolderValuesFallBackToTheInstallationFolder) {
  std::filesystem::create_directories(dir / "logs");
  ASSERT_EQ(SetLogFolder(kActivityLog, dir / "logs"), 1u);
  EXPECT_EQ(LogFilePath(kActivityLog), dir / "logs/Activity Log.txt");
  EXPECT_EQ(LogFilePath(kRecoveryLog), dir / "data/vantor/Recovery Log.txt");
  std::filesystem::remove_all(dir / "logs");
  EXPECT_EQ(LogFilePath(kActivityLog), dir / "data/vantor/Activity Log.txt");
  ConfigStore store = ConfigStore::Load();
  store.set(kProductKey, "FilePath", dir / "install");
  store.save();
  EXPECT_EQ(LogFolder(kActivityLog), dir / "install");
}

TEST_F(LogsTest, ClearAndOpenAskAndReport) {
  Session session;
  test::ScriptedHost host;
  session.setHost(&host);
  EXPECT_EQ(ClearLog(session.host(), kRecoveryLog), 0u);
  OpenLog(session.host(), kActivityLog);
  AppendLog(kRecoveryLog, "x");
  host.questionAnswers = {false, true};
  EXPECT_EQ(ClearLog(session.host(), kRecoveryLog), 0u);
  EXPECT_EQ(ClearLog(session.host(), kRecoveryLog), 1u);
  EXPECT_FALSE(std::filesystem::exists(LogFilePath(kRecoveryLog)));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"message:Recovery Log.txt file not found",
                                                  "message:Activity Report file not found",
                                                  "question:Are you sure you want to delete Recovery History",
                                                  "question:Are you sure you want to delete Recovery History"}));
}

TEST_F(LogsTest, RunHeader) {
  std::tm time{};
  time.tm_hour = 9;
  time.tm_min = 5;
  time.tm_wday = 0;
  time.tm_mon = 11;
  time.tm_mday = 6;
  time.tm_year = 2026 - 1900;
  EXPECT_EQ(StartTimeLine(time), "9:05 - Sunday, December 06, 2026");
  Session session;
  LogRunStart(session.startTime, kActivityLog);
  EXPECT_EQ(Text(kActivityLog).rfind("\r\n" + std::string(kStartMarker) + "\r\nVantor for VMWare\r\nVersion 1.0\r\n", 0), 0u);
}

}  // namespace
}  // namespace vantor
