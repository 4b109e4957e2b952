// The list tool's output is UTF-8; the snapshot's names are in the system's ANSI code page and
// may hold any byte a damaged file brings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A text of the snapshot made safe for a terminal and for one line: a backslash is written
// \\, a tab \t, a carriage return \r and a line feed \n, as the console front-end writes
// them; other control characters (and the code page's five undefined bytes, which stand for
// control characters) are written \xHH; the rest is converted to UTF-8.
std::string DisplayText(std::string_view Ansi);

// How many characters a UTF-8 text shows: every character of the code page takes one column.
std::size_t DisplayWidth(std::string_view Utf8);
