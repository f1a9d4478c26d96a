#include <gtest/gtest.h>

#include "web/PageCharset.h"
#include "web/TextDecoding.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// U+00E9 and U+1F600 have no Shift_JIS form; U+65E5 U+672C ("日本") does.
const std::wstring kOutsideShiftJis = L"caf\u00E9 \U0001F600 \u65E5\u672C";
const std::string kOutsideShiftJisUtf8 = "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE6\x97\xA5\xE6\x9C\xAC";

TEST(TextDecoding, Utf8PagesKeepCharactersOutsideShiftJis) {
    for (const std::string declaration :
         {"<meta charset=utf-8>", "<meta charset=\"utf-8\">", "<META CHARSET='UTF-8'>",
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
          "< meta name=x\ncharset = \" UTF-8\" >"}) {
        const std::string page = "<html><head>" + declaration + "</head><body>" + kOutsideShiftJisUtf8 + "</body>";
        EXPECT_EQ(L"<html><head>" + ToWide(declaration) + L"</head><body>" + kOutsideShiftJis + L"</body>",
                  DecodePageBytes(page))
            << declaration;
    }
}

TEST(TextDecoding, CharsetDeclarationsThatDoNotCount) {
    // Not inside a meta tag, or a different charset: read as ANSI (932).
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset("<p>charset=utf-8</p>"));
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset("<meta name=a> charset=utf-8"));
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset("<meta charset=Shift_JIS>"));
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset("<meta charset"));
    // A tag ends at its '>'; only the first 4 KiB are searched.
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset("<p title='<meta charset=utf-8'>"));
    EXPECT_EQ(PageCharset::Utf8, DeclaredCharset("<<meta charset=utf-8>"));
    EXPECT_EQ(PageCharset::Utf8, DeclaredCharset(std::string(4070, ' ') + "<meta charset=utf-8>"));
    EXPECT_EQ(PageCharset::Unknown, DeclaredCharset(std::string(4090, ' ') + "<meta charset=utf-8>"));
    // UTF-8 wins over EUC-JP wherever the two stand.
    EXPECT_EQ(PageCharset::Utf8, DeclaredCharset("<meta charset=euc-jp><meta charset=utf-8>"));
    EXPECT_EQ(PageCharset::EucJp, DeclaredCharset("<meta content='text/html; charset=EUC-JP'>"));
}

TEST(TextDecoding, HeaderCharsetDecidesBeforeThePage) {
    const std::string utf8Page = "<meta charset=euc-jp>" + kOutsideShiftJisUtf8;
    EXPECT_EQ(ToWide("<meta charset=euc-jp>") + kOutsideShiftJis, DecodePageBytes(utf8Page, "UTF-8"));
    EXPECT_EQ(ToWide("<meta charset=euc-jp>") + kOutsideShiftJis, DecodePageBytes(utf8Page, "\"utf-8\""));
    // A label this program does not read falls back to the page's declaration.
    const std::string declared = "<meta charset=utf-8>" + kOutsideShiftJisUtf8;
    EXPECT_EQ(L"<meta charset=utf-8>" + kOutsideShiftJis, DecodePageBytes(declared, "iso-8859-1"));
    // Shift_JIS named by the header although the page claims UTF-8.
    EXPECT_EQ(L"<meta charset=utf-8>\u65E5\u672C",
              DecodePageBytes("<meta charset=utf-8>" + Bytes({0x93, 0xFA, 0x96, 0x7B}), "Shift_JIS"));
}

TEST(TextDecoding, ContentTypeCharsetParameter) {
    EXPECT_EQ("utf-8", CharsetOfContentType("text/html; charset=utf-8"));
    EXPECT_EQ("EUC-JP", CharsetOfContentType("text/html;CHARSET=\"EUC-JP\""));
    EXPECT_EQ("Shift_JIS", CharsetOfContentType("text/html; q=1; charset = Shift_JIS ; x=y"));
    EXPECT_EQ("", CharsetOfContentType("text/html"));
    EXPECT_EQ("", CharsetOfContentType("text/html; charset"));
}

TEST(TextDecoding, EucJpPagesIncludingHalfWidthKatakana) {
    // "日本" ｱ (0x8E 0xB1), then a pair with no character (row 9), then "ok".
    const std::string page = "<meta charset=\"EUC-JP\">" +
                             Bytes({0xC6, 0xFC, 0xCB, 0xDC, 0x8E, 0xB1, 0xA9, 0xA1}) + "ok";
    const std::wstring text = DecodePageBytes(page);
    ASSERT_EQ(0u, text.find(L"<meta charset=\"EUC-JP\">\u65E5\u672C\uFF71"));
    // The unmapped pair no longer cuts the page short.
    EXPECT_EQ(L"ok", text.substr(text.size() - 2));
    EXPECT_EQ(PageCharset::EucJp, CharsetFromLabel("x-euc-jp"));
}

TEST(TextDecoding, UndeclaredPagesAreAnsiAndEndAtZeroByte) {
    EXPECT_EQ(L"\u65E5\u672C", DecodePageBytes(Bytes({0x93, 0xFA, 0x96, 0x7B})));
    EXPECT_EQ(L"ab", DecodePageBytes(std::string("ab\0cd", 5)));
    EXPECT_EQ(L"<meta charset=utf-8>a",
              DecodePageBytes(std::string("<meta charset=utf-8>a\0\xC3\xA9", 24)));
    EXPECT_EQ(L"", DecodePageBytes(std::string("\0abc", 4)));
    EXPECT_EQ(L"", DecodePageBytes(""));
}

TEST(TextDecoding, AnsiConversionsAndComStrings) {
    EXPECT_EQ(L"\u65E5\u672C", ToWide(Bytes({0x93, 0xFA, 0x96, 0x7B})));
    EXPECT_EQ(Bytes({0x93, 0xFA, 0x96, 0x7B}), ToNarrow(L"\u65E5\u672C"));
    EXPECT_EQ("a", ToNarrow(std::wstring(L"a\0b", 3)));
    EXPECT_EQ("", ToNarrow(L""));
    EXPECT_EQ(L"a", ToWide(std::string("a\0b", 3)));

    BSTR bstr = SysAllocString(kOutsideShiftJis.c_str());
    EXPECT_EQ(kOutsideShiftJis, BstrToWide(bstr));
    SysFreeString(bstr);
    EXPECT_EQ(L"", BstrToWide(nullptr));
}

}  // namespace
