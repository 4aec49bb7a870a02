// Helpers of the updater tests: a fresh temporary folder per test and texts as StrRef.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "runtime/strref.h"

namespace rt {

inline StrRef Lit(const std::string& s) { return StrMake(s.data(), static_cast<uint16_t>(s.size())); }
inline std::string Str(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string("<error>"); }

// A new folder below the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("kup_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                std::to_string(serial++) + "_" + (info ? info->name() : "x"));
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        std::filesystem::create_directories(dir_, ec);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path of name inside the folder (name may hold "\" or "/") as the updater spells paths,
    // with backslashes; the run-time's file seam accepts them on every platform.
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
    // Writes bytes to name (creating its folders) and returns its path.
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
    std::filesystem::path dir_;
};

}  // namespace rt
