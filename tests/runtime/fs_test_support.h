// Shared fixture of the file tests: a fresh folder under the system's temporary folder as the
// working folder of each test, removed afterwards, with the pool and error record checked.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/params.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"

namespace rt_test {

inline std::string S(rt::StrRef s) {
    return s.ok() ? std::string(s.ptr, s.len) : "<err " + std::to_string(rt::StrError(s)) + ">";
}
inline rt::StrRef L(const char* c) { return rt::StrFromLiteral(c); }
inline rt::StrRef V(const std::string& s) { return rt::StrMake(s.data(), static_cast<uint16_t>(s.size())); }

class FsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!rt::ContextReady()) {
            ASSERT_EQ(rt::ContextInit(), 0);
        }
        // The permission check and the standard folders read system variables.
        if (rt::IntSet(rt::kSysSafe, 0) != 0) {
            ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        }
    }
    void SetUp() override {
        namespace fs = std::filesystem;
        static std::atomic<unsigned> counter{0};
        old_ = fs::current_path();
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("kvtest_" + std::to_string(stamp % 1000000007) + "_" + std::to_string(counter++));
        fs::create_directories(dir_);
        fs::current_path(dir_);
        for (uint16_t p : {rt::kParamSafetyLists, rt::kParamAppFolder, rt::kParamDocsFolder, rt::kParamHelpFolder})
            rt::SetRunParam(p, rt::StrEmpty());
        rt::IntSet(rt::kSysSafe, 0);
        rt::IntSet(rt::kSysTrace, 0);
        rt::RecordError(0, 0);
        mark_ = rt::PoolMark();
    }
    void TearDown() override {
        rt::PoolRelease(mark_);
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(dir_, ec);
        rt::IntSet(rt::kSysSafe, 0);
        rt::IntSet(rt::kSysTrace, 0);
    }

    static void Put(const std::string& name, const std::string& bytes) {
        std::ofstream f(name, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static std::string Get(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static bool Exists(const std::string& name) { return std::filesystem::exists(name); }
    // The test folder as the run-time spells folders: backslashes.
    std::string Dir() const {
        std::string s = dir_.string();
        for (char& c : s)
            if (c == '/') c = '\\';
        return s;
    }

    // Runs op and checks that it leaves at most one entry above the pool's top.
    template <class Op>
    auto Disciplined(Op op) {
        const uint16_t before = rt::PoolMark();
        auto result = op();
        EXPECT_LE(rt::PoolMark(), before + 1) << "more than one entry left above the mark";
        return result;
    }

    std::filesystem::path dir_, old_;
    uint16_t mark_ = 0;
};

}  // namespace rt_test
