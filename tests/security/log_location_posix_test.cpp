// The log is written only into a folder of the host user's own that nobody else may
// write, and never through a link: each case builds one way another local user could
// try to redirect the log, in a scratch folder of the test's own, and checks that the
// line is dropped and nothing outside the log folder changes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "support/log_lines.hpp"

namespace {

using testsupport::AppendToFile;

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// A scratch folder holding "victim" (a file of the host user's that the log must
// never reach) and "log", the folder a case turns into what it tests.
struct Scene {
    std::string root;
    std::string victim() const { return root + "/victim"; }
    std::string folder() const { return root + "/log"; }
    std::string logFile() const { return folder() + "/~log.txt"; }
};

// What each case does to the scene; false when it cannot be built here (skipped).
using Setup = std::function<bool(const Scene&)>;

uid_t OtherUser() {
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? nobody->pw_uid : 65534;
}

bool MakeFolder(const Scene& scene, mode_t mode) {
    return ::mkdir(scene.folder().c_str(), 0700) == 0 && ::chmod(scene.folder().c_str(), mode) == 0;
}

struct LocationCase {
    const char* name;
    Setup setup;
    bool written;  // whether the line must arrive in the log file
};

const LocationCase kCases[] = {
    {"own folder, no file yet", [](const Scene& s) { return MakeFolder(s, 0755); }, true},
    {"own private folder, file exists",
     [](const Scene& s) {
         return MakeFolder(s, 0700) && (std::ofstream(s.logFile(), std::ios::binary) << "old\r\n");
     },
     true},
    {"link in place of the log file",
     [](const Scene& s) {
         return MakeFolder(s, 0755) && ::symlink(s.victim().c_str(), s.logFile().c_str()) == 0;
     },
     false},
    {"dangling link in place of the log file",
     [](const Scene& s) {
         return MakeFolder(s, 0755) && ::symlink((s.root + "/created").c_str(), s.logFile().c_str()) == 0;
     },
     false},
    {"the folder itself a link",
     [](const Scene& s) {
         const std::string real = s.root + "/real";
         return ::mkdir(real.c_str(), 0755) == 0 && ::symlink(real.c_str(), s.folder().c_str()) == 0;
     },
     false},
    {"folder of another user holding a link to the host user's file",
     [](const Scene& s) {
         if (::geteuid() != 0) return false;  // only root can give a folder away
         return MakeFolder(s, 0755) && ::symlink(s.victim().c_str(), s.logFile().c_str()) == 0 &&
                ::lchown(s.logFile().c_str(), OtherUser(), static_cast<gid_t>(-1)) == 0 &&
                ::chown(s.folder().c_str(), OtherUser(), static_cast<gid_t>(-1)) == 0;
     },
     false},
    {"empty folder of another user",
     [](const Scene& s) {
         if (::geteuid() != 0) return false;
         return MakeFolder(s, 0755) && ::chown(s.folder().c_str(), OtherUser(), static_cast<gid_t>(-1)) == 0;
     },
     false},
    {"group-writable folder", [](const Scene& s) { return MakeFolder(s, 0775); }, false},
    {"world-writable folder", [](const Scene& s) { return MakeFolder(s, 0757); }, false},
    {"world-writable sticky folder like /tmp", [](const Scene& s) { return MakeFolder(s, 01777); }, false},
    {"no folder", [](const Scene&) { return true; }, false},
    {"a folder in place of the log file",
     [](const Scene& s) { return MakeFolder(s, 0755) && ::mkdir(s.logFile().c_str(), 0755) == 0; }, false},
    // Without O_NONBLOCK this would wait for a reader forever.
    {"FIFO without a reader in place of the log file",
     [](const Scene& s) { return MakeFolder(s, 0755) && ::mkfifo(s.logFile().c_str(), 0644) == 0; }, false},
};

void PrintTo(const LocationCase& c, std::ostream* out) { *out << c.name; }

class LogLocationTest : public ::testing::TestWithParam<LocationCase> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-log-location-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        scene_.root = pattern;
        std::ofstream(scene_.victim(), std::ios::binary) << "victim\n";
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(scene_.root, error);
        EXPECT_FALSE(error) << error.message();
    }
    Scene scene_;
};

TEST_P(LogLocationTest, LineArrivesOnlyInTheHostUsersOwnFolder) {
    const LocationCase& c = GetParam();
    if (!c.setup(scene_)) {
        ASSERT_NE(::geteuid(), 0u) << "could not build the case: " << std::strerror(errno);
        GTEST_SKIP() << "needs root to give a folder to another user";
    }
    // Read only where a regular file is expected: opening a FIFO would block.
    const std::string before = c.written ? ReadAll(scene_.logFile()) : "";
    const std::string line = "line \xB5\xE3\r\n";

    EXPECT_EQ(AppendToFile(scene_.logFile().c_str(), line.data(), line.size()), c.written);

    EXPECT_EQ(ReadAll(scene_.victim()), "victim\n");
    EXPECT_FALSE(Exists(scene_.root + "/created"));
    EXPECT_FALSE(Exists(scene_.root + "/real/~log.txt"));
    if (c.written) {
        EXPECT_EQ(ReadAll(scene_.logFile()), before + line);
        struct stat status {};
        ASSERT_EQ(::lstat(scene_.logFile().c_str(), &status), 0);
        EXPECT_TRUE(S_ISREG(status.st_mode));
        EXPECT_EQ(status.st_uid, ::geteuid());
        EXPECT_EQ(status.st_mode & (S_IWGRP | S_IWOTH), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LogLocationTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LocationCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// A FIFO that has a reader opens without blocking, but is not a regular file: the
// reader must not receive the line.
TEST(LogLocationFifoTest, FifoWithAReaderGetsNothing) {
    char pattern[] = "/tmp/orvane-log-location-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string fifo = root + "/~log.txt";
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    EXPECT_FALSE(AppendToFile(fifo.c_str(), "x\r\n", 3));
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing arrived

    ::close(reader);
    ::unlink(fifo.c_str());
    ::rmdir(root.c_str());
}

}  // namespace
