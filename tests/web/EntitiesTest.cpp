#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "web/Entities.h"

namespace {

TEST(Entities, NamedReferencesInTableOrder) {
    EXPECT_EQ(L"Rock & Roll", DecodeEntities(L"Rock &amp; Roll"));
    EXPECT_EQ(L"<", DecodeEntities(L"&amp;lt;"));
    EXPECT_EQ(L"&", DecodeEntities(L"&amp;amp;"));
    EXPECT_EQ(L"\"a\" <b> c \u00A9", DecodeEntities(L"&quot;a&quot; &lt;b&gt;&nbsp;c &copy;"));
    // &quot; comes first, so one produced by &amp; stays.
    EXPECT_EQ(L"&quot;", DecodeEntities(L"&amp;quot;"));
    EXPECT_EQ(L"&AMP; &#X41; &amp", DecodeEntities(L"&AMP; &#X41; &amp"));
}

TEST(Entities, NumericReferences) {
    EXPECT_EQ(L"AB", DecodeEntities(L"&#65;&#x42;"));
    EXPECT_EQ(L"\u3042", DecodeEntities(L"&#12354;"));
    EXPECT_EQ(L"\u3042&#X3042;", DecodeEntities(L"&#x3042;&#X3042;"));
    // A decoded character can complete a reference in front of it.
    EXPECT_EQ(L"A", DecodeEntities(L"&#38;#65;"));
    EXPECT_EQ(L"A", DecodeEntities(L"&#65&#59;"));
    // Decimal references all come before hexadecimal ones.
    EXPECT_EQ(L"&#65;", DecodeEntities(L"&#x26;#65;"));
}

TEST(Entities, ReferencesBeyondTheBasicPlaneAndInvalidOnes) {
    EXPECT_EQ(L"\U0001F600", DecodeEntities(L"&#128512;"));
    EXPECT_EQ(L"\U0010FFFF", DecodeEntities(L"&#x10FFFF;"));
    for (const wchar_t* kept : {L"&#0;", L"&#x110000;", L"&#xD800;", L"&#57343;", L"&#4294967361;",
                                L"&#x1000000041;", L"&#99999999999999999999999;", L"&#;", L"&#x;"}) {
        EXPECT_EQ(kept, DecodeEntities(kept));
        EXPECT_EQ(std::wstring(kept) + L"A", DecodeEntities(std::wstring(kept) + L"&#65;"));
    }
}

// The decoding written as literally as possible: after every replacement the
// whole text is searched again from its start.
std::wstring ReferenceDecode(std::wstring text) {
    const std::pair<std::wstring, wchar_t> named[] = {{L"&quot;", L'"'}, {L"&amp;", L'&'}, {L"&gt;", L'>'},
                                                      {L"&lt;", L'<'},   {L"&nbsp;", L' '}, {L"&copy;", L'\u00A9'}};
    for (const auto& [name, ch] : named)
        for (size_t pos = 0; (pos = text.find(name, pos)) != std::wstring::npos;) text.replace(pos, name.size(), 1, ch);
    for (bool hex : {false, true}) {
        const std::wstring intro = hex ? L"&#x" : L"&#";
        for (bool replaced = true; replaced;) {
            replaced = false;
            for (size_t pos = 0; (pos = text.find(intro, pos)) != std::wstring::npos; ++pos) {
                size_t end = pos + intro.size();
                unsigned long long value = 0;
                bool tooLong = false;
                while (end < text.size() && (hex ? iswxdigit(text[end]) : iswdigit(text[end]))) {
                    value = value * (hex ? 16 : 10) + std::stoi(std::wstring(1, text[end]), nullptr, 16);
                    if (value > 0xFFFFFFFFull) tooLong = true, value = 0x100000000ull;
                    ++end;
                }
                if (end == pos + intro.size() || end >= text.size() || text[end] != L';') continue;
                if (tooLong || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) continue;
                std::wstring units;
                if (value < 0x10000) units = static_cast<wchar_t>(value);
                else
                    units = {static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10)),
                             static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF))};
                text.replace(pos, end + 1 - pos, units);
                replaced = true;
                break;
            }
        }
    }
    return text;
}

TEST(Entities, AgreesWithLiteralRescanningOnRandomText) {
    const wchar_t alphabet[] = L"&&&##x;;;0123456789aAfFlmpqtgunbsco";
    std::mt19937 random(1234);
    for (int round = 0; round < 4000; ++round) {
        std::wstring text(random() % 24, L' ');
        for (wchar_t& c : text) c = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
        const std::wstring decoded = DecodeEntities(text);
        ASSERT_EQ(ReferenceDecode(text), decoded) << text;
        ASSERT_LE(decoded.size(), text.size());
    }
}

// Each decoded "1" extends the open reference in front of it, 200,000 times.
TEST(Entities, AChainOfReferencesDecodesInLinearTime) {
    std::wstring text = L"&#1";
    for (int i = 0; i < 200000; ++i) text += L"&#49;";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(L"&#" + std::wstring(200001, L'1'), DecodeEntities(text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
