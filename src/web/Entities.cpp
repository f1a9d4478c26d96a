#include "web/Entities.h"

#include <cstdint>
#include <vector>

namespace {

struct NamedReference {
    const wchar_t* name;
    size_t length;
    wchar_t character;
};

// The order matters: "&amp;lt;" becomes "&lt;" and then "<".
constexpr NamedReference kNamedReferences[] = {
    {L"&quot;", 6, L'"'}, {L"&amp;", 5, L'&'},  {L"&gt;", 4, L'>'},
    {L"&lt;", 4, L'<'},   {L"&nbsp;", 6, L' '}, {L"&copy;", 6, L'\u00A9'},
};

// One named reference through the whole text. A replacement is examined again
// together with what follows it ("&amp;amp;" gives "&").
std::wstring ReplaceNamed(std::wstring text, const NamedReference& reference) {
    if (text.find(reference.name) == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find(L'&', i);
        if (amp == std::wstring::npos) {
            out.append(text, i, std::wstring::npos);
            break;
        }
        out.append(text, i, amp - i);
        i = amp;
        if (text.compare(i, reference.length, reference.name) == 0) {
            i += reference.length - 1;
            text[i] = reference.character;
        } else {
            out += text[i++];
        }
    }
    return out;
}

int DigitValue(wchar_t c, bool hex) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (!hex) return -1;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// How much of a numeric reference the decoded text ends with: "&", "&#",
// "&#x" (hexadecimal only), then "&#12" or "&#x1F".
struct OpenReference {
    enum Stage : std::uint8_t { None, Ampersand, Hash, HexMark, Digits };
    Stage stage = None;
    std::uint32_t digits = 0;
    std::uint32_t value = 0;  // stops growing above U+10FFFF: it names nothing either way
};

constexpr std::uint32_t kBeyondUnicode = 0x110000;

OpenReference Advance(const OpenReference& open, wchar_t c, bool hex) {
    if (c == L'&') return {OpenReference::Ampersand};
    const int digit = DigitValue(c, hex);
    switch (open.stage) {
    case OpenReference::Ampersand:
        if (c == L'#') return {OpenReference::Hash};
        break;
    case OpenReference::Hash:
        if (hex && c == L'x') return {OpenReference::HexMark};
        if (!hex && digit >= 0) return {OpenReference::Digits, 1, static_cast<std::uint32_t>(digit)};
        break;
    case OpenReference::HexMark:
        if (digit >= 0) return {OpenReference::Digits, 1, static_cast<std::uint32_t>(digit)};
        break;
    case OpenReference::Digits:
        if (digit >= 0) {
            const std::uint32_t value = open.value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            return {OpenReference::Digits, open.digits + 1, value < kBeyondUnicode ? value : kBeyondUnicode};
        }
        break;
    default:
        break;
    }
    return {};
}

bool NamesCharacter(std::uint32_t value) {
    return value != 0 && value < kBeyondUnicode && (value < 0xD800 || value > 0xDFFF);
}

// All decimal ("&#65;") or all hexadecimal ("&#x41;") references. Decoding
// behaves as if the text were searched again from its start after every
// replacement, so a decoded character can complete a reference before it
// ("&#38;#65;" gives "A"). Remembering how far each position of the output
// got into a reference keeps that linear.
std::wstring ReplaceNumeric(const std::wstring& text, bool hex) {
    if (text.find(hex ? L"&#x" : L"&#") == std::wstring::npos) return text;
    const std::uint32_t introducerLength = hex ? 3 : 2;
    std::wstring out;
    out.reserve(text.size());
    std::vector<OpenReference> openAfter;  // per character of `out`
    openAfter.reserve(text.size());
    auto append = [&](wchar_t c) {
        openAfter.push_back(Advance(openAfter.empty() ? OpenReference() : openAfter.back(), c, hex));
        out += c;
    };
    for (wchar_t c : text) {
        for (;;) {
            const OpenReference open = openAfter.empty() ? OpenReference() : openAfter.back();
            if (c != L';' || open.stage != OpenReference::Digits || !NamesCharacter(open.value)) {
                append(c);
                break;
            }
            // The reference is replaced by its character, which is then read
            // like the next character of the text.
            const size_t kept = out.size() - (introducerLength + open.digits);
            out.resize(kept);
            openAfter.resize(kept);
            if (open.value < 0x10000) {
                c = static_cast<wchar_t>(open.value);
            } else {
                append(static_cast<wchar_t>(0xD800 + ((open.value - 0x10000) >> 10)));
                c = static_cast<wchar_t>(0xDC00 + ((open.value - 0x10000) & 0x3FF));
            }
        }
    }
    return out;
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text) {
    if (text.find(L'&') == std::wstring::npos) return text;
    std::wstring result = text;
    for (const NamedReference& reference : kNamedReferences) result = ReplaceNamed(std::move(result), reference);
    result = ReplaceNumeric(result, false);
    return ReplaceNumeric(result, true);
}
