// A fresh folder below the system's temporary folder for one test: removed with everything in it
// at the end, optionally the working folder meanwhile, its paths spelt as the run-time spells them.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace rt_test {

class TempDir {
public:
    // The folder's name starts with prefix; a clock stamp and a serial keep test programs that
    // run at the same time apart.
    explicit TempDir(const std::string& prefix = "kvtest") {
        static std::atomic<unsigned> serial{0};
        // Taken once: some tests point TEMP at their own folders, which go again.
        static const std::filesystem::path base = std::filesystem::temp_directory_path();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = base /
               (prefix + "_" + std::to_string(stamp % 1000000007) + "_" + std::to_string(serial++));
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        EXPECT_TRUE(std::filesystem::create_directories(dir_, ec)) << dir_.string() << ": " << ec.message();
    }
    // Puts the old working folder back before the folder goes.
    ~TempDir() {
        std::error_code ec;
        if (entered_) std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Makes the folder the working folder until the end.
    void Enter() {
        if (!entered_) old_ = std::filesystem::current_path();
        entered_ = true;
        std::filesystem::current_path(dir_);
    }

    const std::filesystem::path& path() const { return dir_; }

    // The folder, or name inside it (name may hold "\" or "/"), with backslashes: the run-time's
    // file seam accepts them on every platform.
    std::string Path(const std::string& name = "") const {
        std::string s = dir_.string();
        if (!name.empty()) s += "\\" + name;
        for (char& c : s)
            if (c == '/') c = '\\';
        return s;
    }
    // A path in the spelling of the C library and std::filesystem.
    static std::string Native(std::string s) {
        for (char& c : s)
            if (c == '/' || c == '\\') c = kSep;
        return s;
    }
    // Writes bytes to name (creating its folders) and returns its path as Path spells it.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string p = Native(Path(name));
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ec);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        EXPECT_NE(f, nullptr) << p;
        if (f) {
            if (!bytes.empty()) {
                EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
            }
            std::fclose(f);
        }
        return Path(name);
    }
    // The whole file, or "<missing>".
    static std::string Read(const std::string& path) {
        std::FILE* f = std::fopen(Native(path).c_str(), "rb");
        if (!f) return "<missing>";
        std::string out;
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
        return out;
    }
    static bool Exists(const std::string& path) {
        std::error_code ec;
        return std::filesystem::exists(Native(path), ec);
    }

#ifdef _WIN32
    static constexpr char kSep = '\\';
#else
    static constexpr char kSep = '/';
#endif

private:
    std::filesystem::path dir_, old_;
    bool entered_ = false;
};

}  // namespace rt_test
