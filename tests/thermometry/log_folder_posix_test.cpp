// The log file keeps its folder open between appends. Whatever happens to the
// folder meanwhile, the lines go where a fresh look at the path would put them
// (at the latest once the kept folder is checked again), no descriptor of the
// file stays open, and threads appending while the folder is replaced keep every
// line whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/log_support.hpp"
#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {
namespace {

namespace fs = std::filesystem;

// Longer than the time a kept folder is used before it is checked again.
constexpr auto kPastRecheck = std::chrono::milliseconds(1200);

bool AppendLine(LogFile& file, std::string_view line) { return file.Append({&line, 1}); }

void MakeFolder(const std::string& folder) {
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0755);
}

// The descriptors of this process that lead to `target`, and whether each closes on exec.
std::vector<bool> DescriptorsOf(const std::string& target) {
    std::vector<bool> closeOnExec;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) != fs::path(target)) continue;
        const int descriptor = std::stoi(entry.path().filename().string());
        closeOnExec.push_back((::fcntl(descriptor, F_GETFD) & FD_CLOEXEC) != 0);
    }
    return closeOnExec;
}

class LogFolderTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    const std::string path = testsupport::ScratchFilePath("orvane-kept-folder", true);
    const std::string folder = fs::path(path).parent_path().string();
    const std::string root = folder + "-root";  // holds folders moved away
};

TEST_F(LogFolderTest, LinesFollowTheFolderAtItsPath) {
    const struct {
        const char* name;
        bool folderAtFirst;
        // Done between the first and the second line.
        std::function<void(const std::string& folder, const std::string& moved)> change;
        bool waitForRecheck;
        const char* expected;  // the file at the path afterwards; null: no file
    } cases[] = {
        {"folder made after the first line", false, [](auto& f, auto&) { MakeFolder(f); }, false,
         "second\r\n"},
        {"folder removed", true, [](auto& f, auto&) { fs::remove_all(f); }, false, nullptr},
        {"folder removed and made anew", true,
         [](auto& f, auto&) {
             fs::remove_all(f);
             MakeFolder(f);
         },
         false, "second\r\n"},
        {"folder renamed and another made", true,
         [](auto& f, auto& moved) {
             fs::rename(f, moved);
             MakeFolder(f);
         },
         true, "second\r\n"},
        {"folder opened to others", true, [](auto& f, auto&) { ::chmod(f.c_str(), 0777); }, true,
         "first\r\n"},
    };
    fs::create_directory(root);
    int index = 0;
    for (const auto& c : cases) {
        const std::string moved = root + "/" + std::to_string(index++);
        fs::remove_all(folder);
        if (c.folderAtFirst) MakeFolder(folder);
        LogFile file(path);
        EXPECT_EQ(AppendLine(file, "first\r\n"), c.folderAtFirst) << c.name;
        c.change(folder, moved);
        if (c.waitForRecheck) std::this_thread::sleep_for(kPastRecheck);
        EXPECT_EQ(AppendLine(file, "second\r\n"),
                  c.expected != nullptr && std::string(c.expected) == "second\r\n")
            << c.name;
        if (c.expected == nullptr) {
            EXPECT_FALSE(testsupport::FileExists(path)) << c.name;
        } else {
            EXPECT_EQ(testsupport::ReadFileText(path), c.expected) << c.name;
        }
        // A folder moved away keeps only what was written before it moved.
        if (fs::exists(moved)) {
            EXPECT_EQ(testsupport::ReadFileText(moved + "/~log.txt"), "first\r\n") << c.name;
        }
    }
    fs::remove_all(folder);
}

TEST_F(LogFolderTest, OnlyTheFolderStaysOpenAndNotAcrossExec) {
    MakeFolder(folder);
    {
        LogFile file(path);
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(AppendLine(file, "line\r\n"));
        EXPECT_TRUE(DescriptorsOf(path).empty());
        EXPECT_EQ(DescriptorsOf(folder), std::vector<bool>{true});
    }
    EXPECT_TRUE(DescriptorsOf(folder).empty());
    fs::remove_all(folder);
}

// A host that closes every descriptor it did not open (as daemons do), and may
// then open something of its own on the kept folder's number: the lines still
// reach the log from the next append on, and the host's descriptor stays the
// host's, before the kept folder is checked again and after, and once the log
// file is gone.
TEST_F(LogFolderTest, ADescriptorTheHostPutsOnTheKeptNumberStaysTheHosts) {
    enum class HostOpens { kNothing, kFile, kFolder };
    const struct {
        const char* name;
        HostOpens hostOpens;
        bool waitForRecheck;
    } cases[] = {
        {"nothing of the host's, at once", HostOpens::kNothing, false},
        {"a file of the host's, at once", HostOpens::kFile, false},
        {"a file of the host's, after the recheck", HostOpens::kFile, true},
        {"a folder of the host's, after the recheck", HostOpens::kFolder, true},
    };
    fs::create_directory(root);
    const std::string hostFile = root + "/host.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::remove(hostFile);
        MakeFolder(folder);
        int taken = -1;
        {
            LogFile file(path);
            ASSERT_TRUE(AppendLine(file, "first\r\n"));
            for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
                std::error_code error;
                if (fs::read_symlink(entry.path(), error) == fs::path(folder))
                    taken = std::stoi(entry.path().filename().string());
            }
            ASSERT_GE(taken, 0);
            ::close(taken);
            if (c.hostOpens != HostOpens::kNothing) {
                const int own = c.hostOpens == HostOpens::kFolder
                                    ? ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                    : ::open(hostFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                ASSERT_GE(own, 0);
                if (own != taken) {
                    ASSERT_EQ(::dup3(own, taken, O_CLOEXEC), taken);
                    ::close(own);
                }
            }
            if (c.waitForRecheck) std::this_thread::sleep_for(kPastRecheck);
            EXPECT_TRUE(AppendLine(file, "second\r\n"));
            EXPECT_TRUE(AppendLine(file, "third\r\n"));
        }
        EXPECT_EQ(testsupport::ReadFileText(path), "first\r\nsecond\r\nthird\r\n");
        EXPECT_FALSE(testsupport::FileExists(root + "/~log.txt"));
        EXPECT_TRUE(DescriptorsOf(folder).empty());
        if (c.hostOpens == HostOpens::kNothing) continue;
        std::error_code error;
        EXPECT_EQ(fs::read_symlink("/proc/self/fd/" + std::to_string(taken), error),
                  fs::path(c.hostOpens == HostOpens::kFolder ? root : hostFile));
        if (c.hostOpens == HostOpens::kFile) {
            EXPECT_EQ(::write(taken, "host", 4), 4);
            EXPECT_EQ(testsupport::ReadFileText(hostFile), "host");
        }
        ::close(taken);
    }
    fs::remove_all(folder);
}

// Writers append pairs of lines while the folder is removed and made anew under
// them: no descriptor leaks, nothing crashes, and every line that arrives is whole.
TEST_F(LogFolderTest, ThreadsAppendWhileTheFolderIsReplaced) {
    constexpr int kWriters = 4;
    constexpr int kPairs = 300;
    MakeFolder(folder);
    const auto openBefore = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    {
        LogFile file(path);
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([&file, w] {
                const std::string first = "first " + std::to_string(w) + " " + std::string(300, 'a') + "\r\n";
                const std::string second =
                    "second " + std::to_string(w) + " " + std::string(500, 'b') + "\r\n";
                const std::string_view lines[] = {first, second};
                for (int i = 0; i < kPairs; ++i) file.Append(lines);
            });
        }
        for (int i = 0; i < 40; ++i) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            MakeFolder(folder);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        for (auto& writer : writers) writer.join();
        EXPECT_TRUE(AppendLine(file, "last\r\n"));
        const std::string text = testsupport::ReadFileText(path);
        ASSERT_GE(text.size(), 6u);
        EXPECT_EQ(text.substr(text.size() - 6), "last\r\n");
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string line = text.substr(start, end - start);
            const bool whole = line == "last" || (line.rfind("first ", 0) == 0 && line.size() == 308) ||
                               (line.rfind("second ", 0) == 0 && line.size() == 509);
            ASSERT_TRUE(whole) << line.substr(0, 40);
        }
        EXPECT_EQ(start, text.size());
    }
    const auto openAfter = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    EXPECT_EQ(openAfter, openBefore);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace orvane::thermometry::platform
