#include <gtest/gtest.h>

#include "settings/Settings.h"

TEST(SettingsStore, Smoke) {
    Settings s;
    s.SetInt(L"A", 5);
    EXPECT_EQ(s.GetInt(L"A"), 5);
}
