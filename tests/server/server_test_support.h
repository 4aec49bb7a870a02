// Shared helpers of the update server tests: a scratch folder tree with files of known times.
#pragma once

#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

namespace server_test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/kelvane_server_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        char* real = made ? realpath(made, nullptr) : nullptr;
        path_ = real ? real : "";
        free(real);
    }
    ~ScratchDir() {
        if (!path_.empty()) {
            const std::string cmd = "rm -rf '" + path_ + "'";
            if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", path_.c_str());
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

    void MakeFolder(const std::string& rel) const {
        ASSERT_EQ(mkdir((path_ + "/" + rel).c_str(), 0755), 0) << rel;
    }
    void Write(const std::string& rel, const std::string& bytes) const {
        FILE* f = std::fopen((path_ + "/" + rel).c_str(), "wb");
        ASSERT_NE(f, nullptr) << rel;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    void Link(const std::string& target, const std::string& rel) const {
        ASSERT_EQ(symlink(target.c_str(), (path_ + "/" + rel).c_str()), 0) << rel;
    }

private:
    std::string path_;
};

// The time stamp of a local date and time of day (whole seconds).
inline time_t LocalTimeStamp(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

inline void SetWriteTime(const std::string& path, time_t stamp) {
    struct timespec times[2];
    times[0].tv_sec = stamp;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace server_test
