#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "web/FeedExtraction.h"
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

TEST(SongExtraction, OnlyTheHeadOfThePageIsSearchedAndFieldsAreCut) {
    const std::wstring pattern = L"<b>(.*?)</b>";
    EXPECT_EQ(L"x", ExtractField(std::wstring((2u << 20) - 8, L' ') + L"<b>x</b>", pattern, L"$1"));
    EXPECT_EQ(L"", ExtractField(std::wstring((2u << 20) - 7, L' ') + L"<b>x</b>", pattern, L"$1"));
    // Cut before decoding: the reference at the cut stays as written.
    const std::wstring text = std::wstring(1020, L'a') + L"&amp;bc";
    EXPECT_EQ(std::wstring(1020, L'a') + L"&amp", ExtractField(L"<b>" + text + L"</b>", pattern, L"$1"));
}

// Many "title\">" and no "artist\">": every start backtracks through the rest
// of the page. The search gives up instead of running for minutes.
TEST(SongExtraction, AHopelessSearchOnAHugePageGivesUpQuickly) {
    std::wstring page;
    page.reserve((16u << 20) + 64);
    while (page.size() < (16u << 20)) page += L"<td class=\"title\">Song</td>\n";
    const std::wstring pattern = L"title\">(.*?)<.*?artist\">(.*?)<";
    const auto start = std::chrono::steady_clock::now();
    const auto fields = ExtractSongFields(page, pattern, {L"$1", L"$2", L"x", L"$0"});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    for (const auto& field : fields) EXPECT_EQ(L"", field);
    EXPECT_THROW(ExtractField(page, pattern, L"$1"), std::runtime_error);
}

TEST(SongExtraction, FeedsUnescapeAndPointTolerantly) {
    // A lone surrogate is replaced; "\u0000" and unknown escapes stay as written.
    const auto cut = ExtractFeedFields(L"[\"x\\ud800y\\u0000\\q\\\\n\"]", true, L"\"(.*)\"", {L"$1", L"", L"", L""});
    EXPECT_TRUE(cut.patternMatched);
    EXPECT_EQ(L"x\uFFFDy\\u0000\\q\\n", cut.fields[0]);

    const std::wstring feed = L"{\"a/b\":{\"t\":\"x\\u0000y\"},\"n\":[1.5,true,null,{\"k\":2}]}";
    const auto pointed = ExtractFeedFields(feed, true, L"", {L"{/a~1b/t}", L"{/n/0}{/n/1}{/n/2}", L"{/n/3}", L""});
    EXPECT_EQ(L"xy", pointed.fields[0]);
    EXPECT_EQ(L"1.5true", pointed.fields[1]);
    EXPECT_EQ(L"{\"k\":2}", pointed.fields[2]);

    // No pattern match: nothing, pointers included; a broken feed names nothing;
    // a pointer's value is taken as it is, but the feed's own noncharacters and
    // the format's cannot pass for pointer values.
    EXPECT_FALSE(ExtractFeedFields(feed, true, L"nomatch", {L"{/n/0}", L"", L"", L""}).patternMatched);
    EXPECT_EQ(L"[", ExtractFeedFields(L"[{\"t\":1", true, L"", {L"[{/0/t}", L"", L"", L""}).fields[0]);
    const std::wstring deep(100000, L'[');
    EXPECT_EQ(L"", ExtractFeedFields(deep, true, L"", {L"{/0}", L"", L"", L""}).fields[0]);
    const auto slots = ExtractFeedFields(L"[\"\uFDD0\"]", true, L"\"(.)\"", {L"$1{/0}\\x{FDD1}", L"", L"", L""});
    EXPECT_EQ(L"\uFFFD\uFDD0", slots.fields[0]);
}

}  // namespace
