#pragma once
// Which encoding a page's bytes are in, from the response header or from the
// page's own declaration.
#include <string>
#include <string_view>

enum class PageCharset { Unknown, ShiftJis, Utf8, EucJp };

// Maps a charset label ("UTF-8", "euc-jp", "Shift_JIS", ...) to an encoding
// this program reads; Unknown for any other label.
PageCharset CharsetFromLabel(std::string_view label);

// Searches <meta ... charset=...> declarations in the first 4 KiB for UTF-8
// first, then EUC-JP; quoted values and any letter case count. Unknown when
// neither is declared.
PageCharset DeclaredCharset(std::string_view page);

// The charset parameter of a Content-Type value, unquoted; empty when none.
std::string CharsetOfContentType(std::string_view contentType);
