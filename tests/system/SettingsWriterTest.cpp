// The settings tool writes what its description says, through the program's
// own settings code, and refuses a description it cannot read whole.
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/TempFolder.h"
#include "system/SystemFixture.h"

using namespace system_test;

namespace {

TEST(SettingsWriterTest, WritesGroupsAndTypedValues) {
    testing_support::TempFolder folder;
    const std::wstring description = folder / L"in.txt", output = folder / L"out.dat";
    ASSERT_TRUE(WriteUtf8(description, "\xEF\xBB\xBF# start\n[]\nIgnoreFirst = b:0\nIgnoreCount = i:-3\n\n"
                                       "[Station\\局 1]\nStationName = s:局 1\nMatchPattern = s: a=b  \n"
                                       "[IsCooperation]\nCheck = i:1\n"));
    ASSERT_EQ(0, RunProgram(SettingsWriterPath(), L"\"" + description + L"\" \"" + output + L"\""));
    Settings written;
    ASSERT_TRUE(written.Load(output));
    EXPECT_FALSE(written.GetBool(L"IgnoreFirst"));
    EXPECT_EQ(1u, written.values.at(L"IgnoreFirst").size());
    EXPECT_EQ(-3, written.GetInt(L"IgnoreCount"));
    const Settings& station = written.Group(L"Station").Group(L"局 1");
    EXPECT_EQ(L"局 1", station.GetString(L"StationName"));
    EXPECT_EQ(L" a=b  ", station.GetString(L"MatchPattern"));
    EXPECT_EQ(1, written.Group(L"IsCooperation").GetInt(L"Check"));
}

TEST(SettingsWriterTest, RefusesABrokenDescriptionAndWritesNothing) {
    testing_support::TempFolder folder;
    const std::wstring output = folder / L"out.dat";
    for (const char* broken : {"[Station\nKey = s:x\n", "Key\n", "Key = x:1\n", "Key = i:12abc\n", "= s:nameless\n"}) {
        const std::wstring description = folder / L"in.txt";
        ASSERT_TRUE(WriteUtf8(description, broken));
        EXPECT_EQ(1, RunProgram(SettingsWriterPath(), L"\"" + description + L"\" \"" + output + L"\"")) << broken;
        EXPECT_FALSE(testing_support::Exists(output)) << broken;
    }
    EXPECT_EQ(1, RunProgram(SettingsWriterPath(), L"\"" + (folder / L"missing.txt") + L"\" \"" + output + L"\""));
}

}  // namespace
