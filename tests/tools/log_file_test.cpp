// The service's log file: rotated by size, the oldest file beyond the kept
// number deleted, and no line split between two files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "serve/log_file.hpp"

namespace orvane_cli::serve {
namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LogFile, RotatesBySizeKeepingTheNewestFiles) {
    const std::string folder = testing::TempDir() + "orvane-log-file-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/serve.log";
    {
        std::ofstream earlier(path);
        earlier << "line 0 from an earlier run\n";
    }
    std::string error;
    // Two 10-byte lines fill a file; 3 old files kept.
    auto log = LogFile::Open(path, error, 20, 3);
    ASSERT_TRUE(log) << error;
    // The earlier run's 27 bytes go to serve.log.1 before the first line.
    for (int line = 1; line <= 9; ++line) ASSERT_TRUE(log->Append("line " + std::to_string(line) + "...\n"));
    EXPECT_EQ(Contents(path), "line 9...\n");
    EXPECT_EQ(Contents(path + ".1"), "line 7...\nline 8...\n");
    EXPECT_EQ(Contents(path + ".2"), "line 5...\nline 6...\n");
    EXPECT_EQ(Contents(path + ".3"), "line 3...\nline 4...\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".4"));

    // Lines longer than the limit go into a file of their own.
    ASSERT_TRUE(log->Append(std::string(30, 'x') + "\n"));
    EXPECT_EQ(Contents(path), std::string(30, 'x') + "\n");
    EXPECT_EQ(Contents(path + ".1"), "line 9...\n");

    EXPECT_FALSE(LogFile::Open(folder + "/missing/serve.log", error));
    EXPECT_NE(error.find("missing/serve.log"), std::string::npos) << error;
    log.reset();  // (Windows removes no open file)
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orvane_cli::serve
