#include <gtest/gtest.h>

#include <stdexcept>

#include "web/SongExtraction.h"

namespace {

const std::wstring kTitleAndArtist = L"<title>(.*?) - (.*?)</title>";

TEST(SongExtraction, GroupsIntoTemplates) {
    const std::wstring page = L"<html><title>Song A - Singer B</title></html>";
    EXPECT_EQ(L"Song A", ExtractField(page, kTitleAndArtist, L"$1"));
    EXPECT_EQ(L"Singer B", ExtractField(page, kTitleAndArtist, L"\\2"));
    EXPECT_EQ(L"", ExtractField(page, kTitleAndArtist, L""));
    EXPECT_EQ(L"[Song A]", ExtractField(page, kTitleAndArtist, L"[$1]"));
    EXPECT_EQ(L"<title>Song A - Singer B</title>", ExtractField(page, kTitleAndArtist, L"$&"));
    EXPECT_EQ(L"<html>|</html>", ExtractField(page, kTitleAndArtist, L"$`|$'"));
    EXPECT_EQ(L"SONG A\tsinger B", ExtractField(page, kTitleAndArtist, L"\\U$1\\E\\t\\l$2"));
    // "\0" is an octal escape in the format syntax, not the whole match.
    EXPECT_EQ(std::wstring(L"a\0b", 3), ExtractField(page, kTitleAndArtist, L"a\\0b"));
    EXPECT_EQ(L"", ExtractField(L"no title here", kTitleAndArtist, L"$1"));
}

TEST(SongExtraction, OnlyTheFirstMatchCountsAndReferencesAreDecoded) {
    const std::wstring page = L"<title>Rock &amp; Roll - X</title><title>Second - Y</title>";
    EXPECT_EQ(L"Rock & Roll", ExtractField(page, kTitleAndArtist, L"$1"));
    EXPECT_EQ(L"X & Co", ExtractField(page, kTitleAndArtist, L"$2 &amp; Co"));
    // "." crosses line breaks; "^" matches after one.
    EXPECT_EQ(L"a\nb", ExtractField(L"x\n<b>a\nb</b>", L"<b>(.*)</b>", L"$1"));
    EXPECT_EQ(L"second", ExtractField(L"first\nsecond", L"^s\\w+", L"$&"));
}

TEST(SongExtraction, InvalidPatternsThrowOrLeaveEveryFieldEmpty) {
    EXPECT_THROW(ExtractField(L"page", L"(", L"$1"), std::runtime_error);
    const auto fields = ExtractSongFields(L"(page)", L"(", {L"$1", L"$1", L"x", L"$0"});
    for (const auto& field : fields) EXPECT_EQ(L"", field);
}

TEST(SongExtraction, FourFieldsAtOnceMatchOneAtATime) {
    const std::wstring page = L"<title>T &lt;1&gt; - A</title><img src=\"http://h/a.jpg\">";
    const std::wstring pattern = L"<title>(.*?) - (.*?)</title>.*?src=\"(.*?)\"";
    const SongTemplates templates = {L"$1", L"$2", L"", L"$3"};
    const auto fields = ExtractSongFields(page, pattern, templates);
    for (size_t i = 0; i < templates.size(); ++i)
        EXPECT_EQ(ExtractField(page, pattern, templates[i]), fields[i]) << i;
    EXPECT_EQ(L"T <1>", fields[0]);
    EXPECT_EQ(L"http://h/a.jpg", fields[3]);
}

}  // namespace
