#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LogAuditAccessIndication.h"
#include "LogTypedLogger.h"
#include "TempDirectory.h"

namespace {

std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Each test has its own home and log file; the environment overrides are cleared.
class LoggingTest : public ::testing::Test {
protected:
    static void ClearOverrides() {
        ::unsetenv("BASALT_LOG_FILE");
        ::unsetenv("BASALT_LOG_LEVEL");
        LogTypedLogger::reloadConfiguration();
    }
    void SetUp() override { ClearOverrides(); }
    void TearDown() override { ClearOverrides(); }
    void writeConfiguration(const std::string& text) {
        std::ofstream(home.path() / "logging.conf") << text;
        LogTypedLogger::reloadConfiguration();
    }

    TempDirectory home;
    ScopedEnv homeEnv{"BASALT_HOME", home.str()};
    LogTypedLogger* logger =
        LogTypedLogger::getInstance("Audit.RTUsage.VOR.AAA.Provider.Ridge", "LogAuditIndication");
};

}  // namespace

TEST_F(LoggingTest, ThresholdFromConfigurationAndEnvironment) {
    // Without configuration: warnings only.
    EXPECT_FALSE(logger->isEnabled(10000));
    EXPECT_TRUE(logger->isEnabled(50000));
    writeConfiguration("# audit\ndestination = audit/records.log\nlevel = 10000\n");
    EXPECT_TRUE(logger->isEnabled(10000));
    EXPECT_TRUE(logger->isEnabled(50000));
    EXPECT_FALSE(logger->isEnabled(9999));

    for (int level : {5000, 10000, 50000}) {
        LogAuditIndication indication("AAA.Provider.LDAP", 7);
        indication.setLevel(level);
        indication.setOperation("level " + std::to_string(level));
        logger->log(indication);
    }
    // Relative destinations are below the home directory; the folder is made on demand.
    std::vector<std::string> lines = readLines(home.path() / "audit" / "records.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(lines[0])["operation"], "level 10000");
    EXPECT_EQ(nlohmann::json::parse(lines[1])["operation"], "level 50000");

    ScopedEnv level("BASALT_LOG_LEVEL", "50000");
    LogTypedLogger::reloadConfiguration();
    EXPECT_FALSE(logger->isEnabled(10000));
    EXPECT_TRUE(logger->isEnabled(50000));

    ScopedEnv off("BASALT_LOG_LEVEL", "off");
    LogTypedLogger::reloadConfiguration();
    EXPECT_FALSE(logger->isEnabled(50000));
    EXPECT_FALSE(logger->isEnabled(INT32_MAX));

    // A value that is not a number leaves the configured threshold.
    ScopedEnv bad("BASALT_LOG_LEVEL", "verbose");
    LogTypedLogger::reloadConfiguration();
    EXPECT_TRUE(logger->isEnabled(10000));
    EXPECT_FALSE(logger->isEnabled(9999));
}

TEST_F(LoggingTest, RecordIsOneJsonObjectWithEveryField) {
    const auto file = home.path() / "records.log";
    ScopedEnv destination("BASALT_LOG_FILE", file.string());
    ScopedEnv level("BASALT_LOG_LEVEL", "10000");
    LogTypedLogger::reloadConfiguration();

    LogAuditAccessIndication access("AAA", 7);
    access.setLevel(50000);
    access.setOperation("StartService");
    access.setStatus("Warning");
    access.setLogData("Namespace \"R\xC3\xBC\" conflicts\nwith <unicode> & \\ settings");
    access.setSessionID("session-1");
    access.setRequestID("request-2");
    access.setSubRequestID("3");
    access.setStepID("step-4");
    logger->log(access);

    LogAuditIndication trace("AAA.Provider.LDAP", 7);
    trace.setOperation("CallStart");
    trace.setLogData("<function name=\"AS_AuthenticateUser2\"></function>");
    logger->log(trace);

    std::vector<std::string> lines = readLines(file);
    ASSERT_EQ(lines.size(), 2u);
    // Every field, in this order.
    auto record = nlohmann::ordered_json::parse(lines[0]);
    EXPECT_EQ(record.begin().key(), "time");
    EXPECT_TRUE(std::regex_match(record["time"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << record["time"];
    record.erase("time");
    EXPECT_EQ(record.dump(),
              nlohmann::ordered_json(
                  {{"logger", "Audit.RTUsage.VOR.AAA.Provider.Ridge"},
                   {"level", 50000},
                   {"component", "AAA"},
                   {"kind", 7},
                   {"operation", "StartService"},
                   {"status", "Warning"},
                   {"sessionID", "session-1"},
                   {"requestID", "request-2"},
                   {"subRequestID", "3"},
                   {"stepID", "step-4"},
                   {"data", "Namespace \"R\xC3\xBC\" conflicts\nwith <unicode> & \\ settings"}})
                  .dump());

    // A text that is not valid Unicode still gives a valid line.
    LogAuditIndication broken("AAA", 7);
    broken.setLogData(I18NString(std::u16string{u'a', static_cast<char16_t>(0xD800), u'b'}));
    logger->log(broken);
    lines = readLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(nlohmann::json::parse(lines[2])["data"],
              "a\xEF\xBF\xBD"
              "b");

    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "audit records are for the owner only";
}

TEST_F(LoggingTest, ConcurrentRecordsNeverInterleave) {
    const auto file = home.path() / "concurrent.log";
    ScopedEnv destination("BASALT_LOG_FILE", file.string());
    ScopedEnv level("BASALT_LOG_LEVEL", "0");
    LogTypedLogger::reloadConfiguration();

    constexpr int kThreads = 6;
    constexpr int kRecords = 300;
    const std::string payload(700, 'p');  // long lines make torn writes likely if unguarded
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            LogTypedLogger* mine = LogTypedLogger::getInstance("Concurrent", "LogAuditIndication");
            for (int i = 0; i < kRecords; ++i) {
                LogAuditIndication indication("T" + std::to_string(t), 7);
                indication.setStepID(std::to_string(i));
                indication.setLogData(payload);
                mine->log(indication);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::vector<std::string> lines = readLines(file);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kRecords));
    std::set<std::string> distinct;
    for (const std::string& line : lines) {
        auto record = nlohmann::json::parse(line);  // throws on a torn line
        EXPECT_EQ(record["data"], payload);
        distinct.insert(record["component"].get<std::string>() + "/" +
                        record["stepID"].get<std::string>());
    }
    EXPECT_EQ(distinct.size(), lines.size());
}

TEST_F(LoggingTest, UnwritableDestinationLosesRecordsQuietly) {
    // A directory where the file should be: opening fails, even for root.
    const auto blocked = home.path() / "blocked";
    std::filesystem::create_directories(blocked);
    ScopedEnv destination("BASALT_LOG_FILE", blocked.string());
    ScopedEnv level("BASALT_LOG_LEVEL", "0");
    LogTypedLogger::reloadConfiguration();
    LogAuditIndication indication("AAA", 7);
    indication.setLogData("lost");
    EXPECT_NO_THROW(logger->log(indication));

    // Once the destination is usable again the records arrive.
    const auto good = home.path() / "good.log";
    ScopedEnv repaired("BASALT_LOG_FILE", good.string());
    LogTypedLogger::reloadConfiguration();
    logger->log(indication);
    EXPECT_EQ(readLines(good).size(), 1u);
}
