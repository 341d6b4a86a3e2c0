// The log file removed by another program in the moment between its opening
// for an append and the write: the lines of that append go to a new file when
// the removal is noticed in time, and the next append always writes a new file
// at the path. The removal is made exactly then by standing in for the
// system's openat in this test program; it acts only on the file name armed.
#undef _FORTIFY_SOURCE  // the fortified openat is an inline function this file replaces
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/log_support.hpp"
#include "thermometry/platform/log_file.hpp"

namespace {

// The file name whose next openings are followed at once by its removal, and
// how many more of them to remove.
std::atomic<const char*> armedName{nullptr};
std::atomic<int> removalsLeft{0};
std::atomic<int> removalsMade{0};

}  // namespace

extern "C" int openat(int folder, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, unsigned int));
        va_end(arguments);
    }
    using Openat = int (*)(int, const char*, int, ...);
    static const auto real = reinterpret_cast<Openat>(::dlsym(RTLD_NEXT, "openat"));
    const int opened = real(folder, name, flags, mode);
    const char* armed = armedName.load();
    if (opened >= 0 && armed != nullptr && std::strcmp(name, armed) == 0 && removalsLeft.load() > 0) {
        --removalsLeft;
        if (::unlinkat(folder, name, 0) == 0) ++removalsMade;
    }
    return opened;
}

namespace orvane::thermometry::platform {
namespace {

namespace fs = std::filesystem;

bool AppendLine(LogFile& file, std::string_view line) { return file.Append({&line, 1}); }

TEST(LogUnlinkTest, ALogRemovedRightAfterItsOpeningIsFollowedByANewFile) {
    const std::string path = testsupport::ScratchFilePath("orvane-log-unlink", true);
    const std::string folder = fs::path(path).parent_path().string();
    ::chmod(folder.c_str(), 0755);
    const struct {
        const char* what;
        int removals;          // openings of the first append followed by a removal
        const char* expected;  // the file at the path after both appends
    } cases[] = {
        {"removed once: the append notices and writes a new file", 1, "first\r\nsecond\r\n"},
        {"removed at the second try too: that append is lost, the next writes a new file", 2, "second\r\n"},
    };
    const std::string name = fs::path(path).filename().string();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(path);
        LogFile file(path);
        removalsMade = 0;
        removalsLeft = c.removals;
        armedName = name.c_str();
        AppendLine(file, "first\r\n");
        armedName = nullptr;
        ASSERT_EQ(removalsMade.load(), c.removals) << "the stand-in openat was not used";
        EXPECT_TRUE(AppendLine(file, "second\r\n"));
        EXPECT_EQ(testsupport::ReadFileText(path), c.expected);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace orvane::thermometry::platform
