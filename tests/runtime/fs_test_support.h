// Shared fixture of the file tests: a fresh temporary folder as the working folder of each test,
// the permission check and the standard folders switched off, and the pool and error record checked.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/params.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/support/pool_check.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"

namespace rt_test {

class FsTest : public PoolMarkTest {
protected:
    static void SetUpTestSuite() {
        PoolMarkTest::SetUpTestSuite();
        // The permission check and the standard folders read system variables.
        if (rt::IntSet(rt::kSysSafe, 0) != 0) {
            ASSERT_EQ(rt::SystemVarsDefaults(), 0);
        }
    }
    void SetUp() override {
        folder_.Enter();
        for (uint16_t p : {rt::kParamSafetyLists, rt::kParamAppFolder, rt::kParamDocsFolder, rt::kParamHelpFolder})
            rt::SetRunParam(p, rt::StrEmpty());
        rt::IntSet(rt::kSysSafe, 0);
        rt::IntSet(rt::kSysTrace, 0);
        PoolMarkTest::SetUp();
    }
    void TearDown() override {
        PoolMarkTest::TearDown();
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
    std::string Dir() const { return folder_.Path(); }

    TempDir folder_;
};

}  // namespace rt_test
