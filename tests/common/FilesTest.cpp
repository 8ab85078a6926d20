// Files replaced whole: what is no regular file is written into, never replaced; the temporary
// file is never more open than the file it becomes; a killed writer's temporary files go.
#include "common/Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace sollist {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("sollist_files_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

// A pipe named directly or through a link gets the content and stays a pipe; a folder is
// refused. (A device node or a link to /proc/self/fd/1 is the same case: not a regular file.)
TEST_F(FilesTest, WhatIsNoRegularFileIsWrittenIntoNotReplaced) {
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path link = dir_ / "link";
    fs::create_symlink(fifo, link);
    for (const fs::path& target : {fifo, link}) {
        std::string received;
        std::thread reader([&] { received = ReadAll(fifo); });
        const std::error_code error = ReplaceFile(target, "Seite\n");
        reader.join();
        EXPECT_FALSE(error) << target << ": " << error.message();
        EXPECT_EQ(received, "Seite\n") << target;
        EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    }
    EXPECT_EQ(Names(dir_), (std::set<std::string>{"link", "pipe"})); // no temporary file left

    const fs::path folder = dir_ / "folder";
    fs::create_directory(folder);
    EXPECT_EQ(ReplaceFile(folder, "x"), std::make_error_code(std::errc::is_a_directory));
    EXPECT_TRUE(fs::is_directory(folder));
}

// Every file created in the folder while a restricted report is rewritten is watched from its
// creation on: none is ever readable by others. The replaced file keeps its 0600.
TEST_F(FilesTest, TemporaryFileIsNeverMoreOpenThanTheFileItReplaces) {
    const fs::path report = dir_ / "r.html";
    std::ofstream(report) << "alt";
    fs::permissions(report, fs::perms::owner_read | fs::perms::owner_write);
    const mode_t umask = ::umask(0); // the widest creation mode a careless writer could get
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir_.c_str(), IN_CREATE), 0);

    std::atomic<bool> done = false;
    std::set<mode_t> seen;
    std::thread watcher([&] {
        alignas(inotify_event) char buffer[4096];
        pollfd wait{watch, POLLIN, 0};
        while (!done || ::poll(&wait, 1, 0) > 0) {
            if (::poll(&wait, 1, 10) <= 0)
                continue;
            const ssize_t n = ::read(watch, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + i);
                struct stat info {};
                if (event->len > 0 && ::stat((dir_ / event->name).c_str(), &info) == 0)
                    seen.insert(info.st_mode & 07777);
                i += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    });
    const std::string page(32 << 20, 'x'); // long enough to be seen while it is written
    const std::error_code error = ReplaceFile(report, page);
    done = true;
    watcher.join();
    ::close(watch);
    ::umask(umask);

    EXPECT_FALSE(error) << error.message();
    EXPECT_FALSE(seen.empty());
    for (const mode_t mode : seen) EXPECT_EQ(mode & 077, 0U) << std::oct << mode;
    EXPECT_EQ(fs::status(report).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::file_size(report), page.size());
}

// A writer killed between creating and renaming leaves "<name>.<pid>-<n>.tmp": the next write
// removes those of processes that no longer run, and nothing else.
TEST_F(FilesTest, StaleTemporaryFilesOfEndedWritersAreRemoved) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0); // a process that no longer runs
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());
    const std::set<std::string> kept = {
        "r.html." + alive + "-0.tmp",                      // a writer that runs
        "r.html." + std::to_string(::getpid()) + "-7.tmp", // this process's own
        "s.html." + dead + "-0.tmp",                       // another file's
        "r.html.x" + dead + "-0.tmp",                      // not the pattern
        "r.html." + dead + "-0.tmp.bak",
        "r.html." + dead + ".tmp",
    };
    for (const std::string& name : kept) std::ofstream(dir_ / name) << "alt";
    for (const char* n : {"-0.tmp", "-12.tmp"}) std::ofstream(dir_ / ("r.html." + dead + n)) << "alt";
    fs::create_directory(dir_ / ("r.html." + dead + "-3.tmp")); // no file: stays

    ASSERT_FALSE(ReplaceFile(dir_ / "r.html", "neu"));
    std::set<std::string> expected = kept;
    expected.insert({"r.html", "r.html." + dead + "-3.tmp"});
    EXPECT_EQ(Names(dir_), expected);
    EXPECT_EQ(ReadAll(dir_ / "r.html"), "neu");
}

} // namespace
} // namespace sollist
