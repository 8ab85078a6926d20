#pragma once
// Sends standard output to /dev/null while a benchmark times a run that prints progress.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class SilentStdout {
public:
    SilentStdout() : saved_(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~SilentStdout() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    SilentStdout(const SilentStdout&) = delete;
    SilentStdout& operator=(const SilentStdout&) = delete;

private:
    int saved_;
};
