// Tests of the file-permission check: the switch, the flag mask, the root and the folder lists,
// and the log line of a check.
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/paths.h"
#include "runtime/system_vars.h"
#include "runtime/typed_arrays.h"
#include "tests/runtime/fs_test_support.h"

namespace {

using rt_test::Str;
using rt_test::T;

class SafetyIoTest : public rt_test::FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        savedName_ = Str(rt::RunParam(rt::kParamAppName));
    }
    void TearDown() override {
        rt::SetRunParam(rt::kParamAppName, rt_test::V(savedName_));
        FsTest::TearDown();
    }
    static void Lists(const std::string& read, const std::string& write) {
        std::string both = read + std::string(1, '\0') + write;
        rt::SetRunParam(rt::kParamSafetyLists, rt_test::V(both));
    }
    std::string savedName_;
};

struct SafetyCase {
    int16_t safe;
    uint16_t flags;
    const char* path;
    rt::ErrCode expected;
};

TEST_F(SafetyIoTest, SwitchedOffAllowsEverything) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    Lists("C:\\App\\data", "C:\\App\\out");
    for (uint16_t flags : {0x800, 0x1200, 0x400, 0}) EXPECT_EQ(rt::safetyIo(flags, T("D:\\x\\y.txt")), 0) << flags;
}

TEST_F(SafetyIoTest, RootTable) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    const SafetyCase cases[] = {
        {0x100, rt::kSafeRead, "D:\\other\\x.txt", 0},  // reads are not held to the root
        {0x100, rt::kSafeWrite, "C:\\App\\data\\x.txt", 0},
        {0x100, rt::kSafeWrite, "C:\\App\\x.txt", 0},
        {0x100, rt::kSafeWrite, "D:\\other\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "C:\\Apple\\x.txt", 0},  // a byte prefix, as the check compares
        {0x100, rt::kSafeWrite, "W:\\0_global\\temp\\x.txt", 0},
        {0x100, rt::kSafeWrite, "W:\\0_global\\other\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "x.txt", 0},
        {0x100, rt::kSafeWrite, "sub\\x.txt", 0},
        {0x100, rt::kSafeWrite, "", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "\\Windows\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, ".\\x.txt", rt::kErrPermission},  // the working folder is elsewhere
        {0x100, rt::kSafeWrite, "C:\\App\\..\\Windows\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "sub\\..\\..\\x.txt", rt::kErrPermission},
        {0x100, 0x400, "C:\\App\\x.txt", rt::kErrPermission},
        {0x500, 0x400, "C:\\App\\x.txt", 0},
    };
    for (const SafetyCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " flags " + std::to_string(c.flags));
        rt::IntSet(rt::kSysSafe, c.safe);
        EXPECT_EQ(Disciplined([&] { return rt::safetyIo(c.flags, T(c.path)); }), c.expected);
    }
}

TEST_F(SafetyIoTest, RelativeToTheWorkingFolderUnderTheRoot) {
    rt::SetRunParam(rt::kParamAppFolder, rt_test::V(Str(rt::PathJoin(rt::CurrentFolder(), rt::StrEmpty()))));
    rt::IntSet(rt::kSysSafe, 0x100);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T(".\\x.txt")), 0);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("..\\x.txt")), rt::kErrPermission);
}

TEST_F(SafetyIoTest, EmptyListsAllowAReadAndAnEmptyRootAWrite) {
    rt::IntSet(rt::kSysSafe, 0x100);
    EXPECT_EQ(rt::safetyIo(rt::kSafeRead, T("D:\\x\\y.txt")), 0);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("D:\\x\\y.txt")), 0);
}

TEST_F(SafetyIoTest, FolderLists) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    Lists("C:\\App\\data,C:\\App\\in", "C:\\App\\out");
    rt::IntSet(rt::kSysSafe, 0x100);
    const SafetyCase cases[] = {
        {0x100, rt::kSafeRead, "C:\\App\\data\\x.txt", 0},
        {0x100, rt::kSafeRead, "C:\\App\\in\\x.txt", 0},
        {0x100, rt::kSafeRead, "C:\\App\\out\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeRead, "C:\\App\\data\\sub\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "C:\\App\\out\\x.txt", 0},
        {0x100, rt::kSafeWrite, "C:\\App\\data\\x.txt", rt::kErrPermission},
        {0x100, rt::kSafeWrite, "D:\\out\\x.txt", rt::kErrPermission},
    };
    for (const SafetyCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " flags " + std::to_string(c.flags));
        EXPECT_EQ(rt::safetyIo(c.flags, T(c.path)), c.expected);
    }
}

TEST_F(SafetyIoTest, ReasonsInTheDetailText) {
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    rt::IntSet(rt::kSysSafe, 0x100);
    rt::ReportError(0, rt::StrEmpty());
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("D:\\other\\x.txt")), rt::kErrPermission);
    EXPECT_NE(Str(rt::ErrorDetail()).find("not chrooted to D:\\other"), std::string::npos) << Str(rt::ErrorDetail());
    rt::ReportError(0, rt::StrEmpty());
    EXPECT_EQ(rt::safetyIo(0x400, T("C:\\App\\x.txt")), rt::kErrPermission);
    EXPECT_NE(Str(rt::ErrorDetail()).find("flag: 1024, safetyIo: 256"), std::string::npos) << Str(rt::ErrorDetail());
}

TEST_F(SafetyIoTest, EveryCheckIsLoggedUnderTheRuntimeCategory) {
    rt::SetRunParam(rt::kParamAppName, T("UP:Kelvane"));
    rt::SetRunParam(rt::kParamAppFolder, T("C:\\App"));
    rt::IntSet(rt::kSysSafe, 0x100);
    rt::IntSet(rt::kSysTrace, 32);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("D:\\other\\x.txt")), rt::kErrPermission);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("C:\\App\\x.txt")), 0);
    std::string log = Get("UPlog.txt");
    EXPECT_NE(log.find("SafetyIoPermission: Error #175.resource: D:\\other\\x.txt, "), std::string::npos) << log;
    EXPECT_NE(log.find("resource: C:\\App\\x.txt"), std::string::npos) << log;
    rt::IntSet(rt::kSysTrace, 0);
    EXPECT_EQ(rt::safetyIo(rt::kSafeWrite, T("C:\\App\\y.txt")), 0);
    EXPECT_EQ(Get("UPlog.txt"), log) << "nothing is logged with _TRACE 0";
}

}  // namespace
