// The only place that compiles Boost.JSON (header-only, through src.hpp).
#include "web/JsonDocument.h"

#include <boost/json/src.hpp>

#include <cstdio>

#include "base/Utf8Text.h"

struct JsonDocument::Root {
    boost::json::value value;
};

namespace {

const boost::json::value* Find(const boost::json::value& root, const std::wstring& pointer) {
    const std::string path = ToUtf8(pointer);
    boost::json::error_code error;
    return root.find_pointer(boost::json::string_view(path.data(), path.size()), error);
}

std::string Text(const boost::json::value& value) {
    switch (value.kind()) {
    case boost::json::kind::string: return std::string(value.get_string().data(), value.get_string().size());
    case boost::json::kind::null: return {};
    case boost::json::kind::bool_: return value.get_bool() ? "true" : "false";
    case boost::json::kind::int64: return std::to_string(value.get_int64());
    case boost::json::kind::uint64: return std::to_string(value.get_uint64());
    case boost::json::kind::double_: {
        // "230", not serialize()'s "2.3E2".
        char number[32];
        std::snprintf(number, sizeof(number), "%.15g", value.get_double());
        return number;
    }
    default: return boost::json::serialize(value);
    }
}

}  // namespace

JsonDocument::JsonDocument(const std::wstring& text) {
    const std::string bytes = ToUtf8(text.size() > kParseLimit ? std::wstring_view() : std::wstring_view(text));
    if (bytes.empty() || bytes.size() > kParseLimit) return;
    boost::json::parse_options options;
    options.max_depth = 64;  // deeper nesting is an error, not a deep recursion
    boost::json::error_code error;
    boost::json::value value = boost::json::parse(bytes, error, {}, options);
    if (error) return;
    root_.reset(new Root{std::move(value)});
}

JsonDocument::~JsonDocument() = default;

bool JsonDocument::Has(const std::wstring& pointer) const { return root_ && Find(root_->value, pointer); }

std::wstring JsonDocument::At(const std::wstring& pointer) const {
    if (!root_) return {};
    const boost::json::value* value = Find(root_->value, pointer);
    return value ? FromUtf8(Text(*value)) : std::wstring();
}
