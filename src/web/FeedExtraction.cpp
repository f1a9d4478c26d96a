#include "web/FeedExtraction.h"

#include <algorithm>
#include <vector>

#include "web/JsonDocument.h"
#include "web/JsonEscapes.h"

namespace {

// Each pointer in the templates stands as one of these noncharacters while
// the pattern's format runs, so that neither the format syntax nor the
// unescaping touches the values.
constexpr wchar_t kFirstSlot = 0xFDD0;
constexpr size_t kSlotCount = 32;
// As long as a pattern's field may be: a pointer to a huge array is no name.
constexpr size_t kLongestValue = 1024;

bool IsSlot(wchar_t c) { return c >= kFirstSlot && c < kFirstSlot + kSlotCount; }

// A feed's own noncharacters must not pass for slots.
std::wstring WithoutSlots(std::wstring text) {
    for (wchar_t& c : text)
        if (IsSlot(c)) c = L'\uFFFD';
    return text;
}

// Replaces "{/...}" by slots, collecting the pointers; pointers beyond the
// slots stay as written.
std::wstring SlotPointers(const std::wstring& format, std::vector<std::wstring>& pointers) {
    std::wstring out;
    size_t i = 0;
    for (;;) {
        const size_t open = format.find(L"{/", i);
        const size_t close = open == std::wstring::npos ? open : format.find(L'}', open);
        if (close == std::wstring::npos || pointers.size() == kSlotCount) {
            out.append(format, i, std::wstring::npos);
            return out;
        }
        out.append(format, i, open - i);
        out += static_cast<wchar_t>(kFirstSlot + pointers.size());
        pointers.push_back(format.substr(open + 1, close - open - 1));
        i = close + 1;
    }
}

}  // namespace

ExtractedFields ExtractFeedFields(const std::wstring& text, bool isJson, const std::wstring& pattern,
                                  const SongTemplates& templates) {
    ExtractedFields result;
    if (!isJson) {
        result.fields = ExtractSongFields(text, pattern, templates, FieldDecoder(), &result.patternMatched);
        return result;
    }
    std::vector<std::wstring> pointers;
    SongTemplates slotted;
    for (size_t i = 0; i < templates.size(); ++i) slotted[i] = SlotPointers(WithoutSlots(templates[i]), pointers);

    std::vector<std::wstring> values;
    if (!pointers.empty()) {
        const JsonDocument document(text);
        for (const std::wstring& pointer : pointers) {
            // as "\u0000" cut out by a pattern stays as written, no zero
            // reaches a field to cut it short downstream
            std::wstring value = document.At(pointer);
            value.erase(std::remove(value.begin(), value.end(), L'\0'), value.end());
            if (value.size() > kLongestValue) value.resize(kLongestValue);
            values.push_back(std::move(value));
        }
    }
    const FieldDecoder unescapeAndFill = [&values](const std::wstring& formatted) {
        std::wstring field;
        size_t start = 0;
        for (size_t i = 0; i <= formatted.size(); ++i) {
            if (i < formatted.size() && !IsSlot(formatted[i])) continue;
            field += UnescapeJson(formatted.substr(start, i - start));
            // a slot the format syntax made ("\x{FDD0}") has no value
            const size_t slot = i < formatted.size() ? formatted[i] - kFirstSlot : kSlotCount;
            if (slot < values.size()) field += values[slot];
            start = i + 1;
        }
        return field;
    };
    result.fields = ExtractSongFields(WithoutSlots(text), pattern, slotted, unescapeAndFill, &result.patternMatched);
    return result;
}
