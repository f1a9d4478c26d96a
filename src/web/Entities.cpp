#include "web/Entities.h"

#include <cstdint>

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

// How many characters at the end of `out` could begin a reference that a
// following character completes ("&", "&#", "&#12", "&#x", "&#x1F").
size_t OpenReferenceLength(const std::wstring& out, bool hex) {
    size_t end = out.size();
    size_t digits = 0;
    while (digits < end && DigitValue(out[end - 1 - digits], hex) >= 0) ++digits;
    size_t p = end - digits;  // start of the digit run
    if (hex) {
        if (p >= 3 && out.compare(p - 3, 3, L"&#x") == 0) return digits + 3;
        if (digits > 0) return 0;
        if (end >= 2 && out.compare(end - 2, 2, L"&#") == 0) return 2;
    } else {
        if (p >= 2 && out.compare(p - 2, 2, L"&#") == 0) return digits + 2;
        if (digits > 0) return 0;
    }
    return (end >= 1 && out[end - 1] == L'&') ? 1 : 0;
}

// All decimal ("&#65;") or all hexadecimal ("&#x41;") references. Decoding
// behaves as if the text were searched again from its start after every
// replacement, so a decoded character can complete a reference before it.
std::wstring ReplaceNumeric(std::wstring text, bool hex) {
    const wchar_t* const introducer = hex ? L"&#x" : L"&#";
    const size_t introducerLength = hex ? 3 : 2;
    if (text.find(introducer) == std::wstring::npos) return text;
    const unsigned base = hex ? 16 : 10;
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
        if (text.compare(i, introducerLength, introducer) != 0) {
            out += text[i++];
            continue;
        }
        size_t p = i + introducerLength;
        const size_t digitsStart = p;
        std::uint64_t value = 0;
        bool tooLong = false;
        for (int d; p < text.size() && (d = DigitValue(text[p], hex)) >= 0; ++p) {
            value = value * base + static_cast<unsigned>(d);
            if (value > 0xFFFFFFFFu) {
                tooLong = true;
                value = 0xFFFFFFFFu + 1ull;  // keeps the product from overflowing
            }
        }
        if (p == digitsStart || p >= text.size() || text[p] != L';') {
            out += text[i++];
            continue;
        }
        const size_t end = p + 1;
        if (tooLong || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            out.append(text, i, end - i);  // names no character: left as written
            i = end;
            continue;
        }
        // Put the decoded units back into the unread text, where they are read
        // again; then also hand back any open reference at the end of `out`.
        if (value < 0x10000) {
            i = end - 1;
            text[i] = static_cast<wchar_t>(value);
        } else {
            value -= 0x10000;
            i = end - 2;
            text[i] = static_cast<wchar_t>(0xD800 + (value >> 10));
            text[i + 1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
        }
        const size_t back = OpenReferenceLength(out, hex);
        // out.size() never exceeds i, so the handed-back characters fit before i.
        for (size_t k = 0; k < back; ++k) text[i - back + k] = out[out.size() - back + k];
        i -= back;
        out.resize(out.size() - back);
    }
    return out;
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text) {
    if (text.find(L'&') == std::wstring::npos) return text;
    std::wstring result = text;
    for (const NamedReference& reference : kNamedReferences) result = ReplaceNamed(std::move(result), reference);
    result = ReplaceNumeric(std::move(result), false);
    return ReplaceNumeric(std::move(result), true);
}
