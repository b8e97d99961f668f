#include "core/Logger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/TempDir.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

class LoggerTest : public TempDirTest {};

TEST_F(LoggerTest, StartAndStopWithoutWritesLeaveThreeLines) {
    { Logger logger; }
    std::string log = readFile("Varno_Engine.log");
    ASSERT_EQ(log.rfind("Varno Engine Logger.", 0), 0u) << log;
    size_t bannerEnd = log.find('\n');
    EXPECT_EQ(log.substr(bannerEnd + 1), "Logger started...\nLogger stopped...\n");
}

TEST_F(LoggerTest, WritesAreAppendedUnchangedAndFlushedAtOnce) {
    Logger logger;
    CaptureStdout();
    logger.write("abc", false);
    logger.write("abc", false);
    logger.write(" 100% done\n", true);
    EXPECT_EQ(GetCapturedStdout(), " 100% done\n\n");
    // Flushed: the file holds every write while the logger is still open.
    std::string log = readFile("Varno_Engine.log");
    EXPECT_NE(log.find("Logger started...\nabcabc 100% done\n"), std::string::npos) << log;
}

TEST_F(LoggerTest, RecreatesTheFileAtEveryStart) {
    {
        Logger first;
        first.write("first run\n", false);
    }
    { Logger second; }
    EXPECT_EQ(readFile("Varno_Engine.log").find("first run"), std::string::npos);
}

TEST_F(LoggerTest, UncreatableFileIsReportedAndWritesStillEcho) {
    // A directory in the way makes the file impossible to create, even as root.
    ASSERT_EQ(mkdir("Varno_Engine.log", 0755), 0);
    CaptureStdout();
    {
        Logger logger;
        EXPECT_FALSE(logger.isOpen());
        logger.write("still printed", true);
        logger.write("not printed", false);
    }
    EXPECT_EQ(GetCapturedStdout(), "Cannot create log file!\nstill printed\n");
}
