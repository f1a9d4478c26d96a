#include <gtest/gtest.h>

#include "settings/Settings.h"

TEST(SettingsStore, TypedAccessorsTreatWrongLengthsAsAbsent) {
    Settings s;
    s.SetBool(L"Flag", true);
    s.SetInt(L"Number", -7);
    s.values[L"Odd"] = SettingValue{0x41, 0x00, 0x42};

    EXPECT_EQ(s.GetInt(L"Flag"), 0);
    EXPECT_EQ(s.GetInt(L"Flag", 10), 10);
    EXPECT_FALSE(s.GetBool(L"Number"));
    EXPECT_EQ(s.GetInt(L"Number", 10), -7);
    EXPECT_EQ(s.GetString(L"Odd"), L"A");  // a trailing odd byte is ignored
    EXPECT_EQ(s.GetInt(L"Missing", 3), 3);
    EXPECT_EQ(s.GetString(L"Missing"), L"");

    s.SetString(L"Empty", L"");
    EXPECT_EQ(s.values[L"Empty"].size(), 0u);
    EXPECT_EQ(s.GetString(L"Empty"), L"");
    EXPECT_FALSE(s.GetBool(L"Empty"));

    WINDOWPLACEMENT placement{};
    placement.length = 99;
    EXPECT_FALSE(s.GetPlacement(L"Number", placement));
    EXPECT_EQ(placement.length, 99u);
}

TEST(SettingsStore, ValuesKeepTheirExactEncoding) {
    Settings s;
    s.SetInt(L"Int", 0x01020304);
    s.SetString(L"Text", L"局名\xD83C\xDFB5");
    s.SetBool(L"Flag", true);
    EXPECT_EQ(s.values[L"Int"], (SettingValue{4, 3, 2, 1}));
    EXPECT_EQ(s.values[L"Flag"], (SettingValue{1}));
    EXPECT_EQ(s.values[L"Text"].size(), 8u);
    EXPECT_EQ(s.GetString(L"Text"), L"局名\xD83C\xDFB5");

    WINDOWPLACEMENT in{};
    in.length = sizeof(in);
    in.showCmd = SW_SHOWMINIMIZED;
    in.rcNormalPosition = {10, 20, 300, 400};
    s.SetPlacement(L"WindowPlacement", in);
    EXPECT_EQ(s.values[L"WindowPlacement"].size(), 44u);
    WINDOWPLACEMENT out{};
    ASSERT_TRUE(s.GetPlacement(L"WindowPlacement", out));
    EXPECT_EQ(out.rcNormalPosition.right, 300);
    EXPECT_EQ(out.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
}

TEST(SettingsStore, KeysAreCaseSensitiveAndValuesAndGroupsApart) {
    Settings s;
    s.SetInt(L"Key", 1);
    s.SetInt(L"key", 2);
    s.Group(L"Key").SetInt(L"Inner", 3);
    EXPECT_EQ(s.GetInt(L"Key"), 1);
    EXPECT_EQ(s.GetInt(L"key"), 2);
    EXPECT_EQ(s.Group(L"Key").GetInt(L"Inner"), 3);
    EXPECT_EQ(s.FindGroup(L"key"), nullptr);
}

TEST(SettingsStore, GroupsAreDeepCopiesAndSetGroupReplacesTheWholeSubtree) {
    Settings root;
    Settings& station = root.Group(L"Station").Group(L"FM");
    station.SetString(L"Url", L"http://a/");
    station.Group(L"Deep").SetInt(L"X", 1);

    Settings copy = root;
    copy.Group(L"Station").Group(L"FM").SetString(L"Url", L"changed");
    EXPECT_EQ(root.Group(L"Station").Group(L"FM").GetString(L"Url"), L"http://a/");

    Settings replacement;
    replacement.tag = 5;
    replacement.SetInt(L"WaitTime", 20);
    root.Group(L"Station").SetGroup(L"FM", replacement);
    const Settings& fm = root.Group(L"Station").Group(L"FM");
    EXPECT_EQ(fm.tag, 5);
    EXPECT_EQ(fm.GetString(L"Url"), L"");
    EXPECT_EQ(fm.FindGroup(L"Deep"), nullptr);

    // Storing a group's own sub-group under its name must not read freed memory.
    Settings& self = root.Group(L"Station");
    self.SetGroup(L"FM", self.Group(L"FM"));
    EXPECT_EQ(self.Group(L"FM").GetInt(L"WaitTime"), 20);

    root.Group(L"Station").RemoveGroup(L"FM");
    root.Group(L"Station").RemoveGroup(L"absent");
    EXPECT_TRUE(root.Group(L"Station").groups.empty());

    root.tag = 9;
    root.Clear();
    EXPECT_EQ(root.tag, 9);
    EXPECT_TRUE(root.values.empty() && root.groups.empty());
}

TEST(SettingsStore, CopyHelpersAlwaysWriteTheDestination) {
    Settings from, to;
    from.SetInt(L"Flag", 1);  // an integer, not a flag
    to.SetBool(L"Flag", true);
    CopyBool(from, L"Flag", to);
    EXPECT_EQ(to.values[L"Flag"], (SettingValue{0}));

    CopyInt(from, L"Missing", to, 10);
    EXPECT_EQ(to.GetInt(L"Missing"), 10);
    from.SetBool(L"Short", true);
    CopyInt(from, L"Short", to, 0);
    EXPECT_EQ(to.values[L"Short"].size(), 4u);
    EXPECT_EQ(to.GetInt(L"Short", 77), 0);
}
