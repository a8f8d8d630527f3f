#pragma once

#include <string>
#include <string_view>

// Conversions between the engine's UTF-8 strings and the UTF-16 that the
// platform's text records and fonts use. Malformed input never fails: each
// bad sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
