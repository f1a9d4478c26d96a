#pragma once
// Cutting song fields out of a page with the station's regular expression
// (Perl syntax) and its replacement templates (Perl format syntax).
#include <array>
#include <functional>
#include <string>

// The template formatted against the first match of `pattern` in the first
// 2 Mi characters of `page`, cut to 1,024 characters and its character
// references decoded; empty when nothing matches. Throws the regex library's
// exception (a std::runtime_error) for an invalid pattern and for a search
// that exceeds the library's complexity limit.
std::wstring ExtractField(const std::wstring& page, const std::wstring& pattern,
                          const std::wstring& format);

// Title, artist, album and artwork templates, in that order.
using SongTemplates = std::array<std::wstring, 4>;

// What the formatted text goes through; empty means DecodeEntities.
using FieldDecoder = std::function<std::wstring(const std::wstring&)>;

// ExtractField for the four templates at once: the pattern is compiled and
// searched once. Never throws; whatever fails leaves its field empty.
// `matched`, when given, tells whether the pattern matched at all.
std::array<std::wstring, 4> ExtractSongFields(const std::wstring& page, const std::wstring& pattern,
                                              const SongTemplates& templates,
                                              const FieldDecoder& decode = FieldDecoder(),
                                              bool* matched = nullptr);
