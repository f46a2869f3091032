// Conversions between GBK (the program's code page), UTF-8, UTF-16 and Big5,
// and from traditional to simplified Chinese. Every conversion goes through
// UTF-16 and the platform's code-page tables. A UTF-16 text travels in Bytes
// as little-endian 16-bit units; a UTF-8 or Big5 text travels in a Text whose
// bytes are in that encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/text.h"

constexpr uint32_t kCodePageGbk = 936;
constexpr uint32_t kCodePageBig5 = 950;
constexpr uint32_t kCodePageUtf8 = 65001;

// The text, read in codePage, as UTF-16 ending in one or more zero units
// (the empty text gives one zero unit).
Bytes TextToUtf16(const Text& text, uint32_t codePage = kCodePageUtf8);
// The units up to the first zero unit, written in codePage.
Text Utf16ToText(const Bytes& utf16, uint32_t codePage = kCodePageGbk);

Text GbkToUtf8(const Text& gbk);
Text Utf8ToGbk(const Text& utf8);
// Ends before the first character that GBK cannot represent.
Text Big5ToGbk(const Text& big5);
// Traditional characters become their simplified forms; the length in bytes
// stays the same.
Text ToSimplifiedChinese(const Text& gbk);
Text Big5ToSimplifiedGbk(const Text& big5);

// Exactly the given bytes, no zero unit added.
Bytes Utf8BytesToUtf16(const Bytes& utf8);
// A base character followed by a combining mark becomes the precomposed GBK
// character where there is one; an odd last byte is ignored.
Text Utf16BytesToGbk(const Bytes& utf16);
Text Utf8BytesToGbk(const Bytes& utf8);

// A GBK text built from UTF-8 that comes in pieces, as the page decoder
// makes it: a whole page in several full-size working copies costs more than
// the conversion itself (under Wine every freshly touched memory page is
// dear). Converting the pieces one after the other gives the same text as
// Utf8BytesToGbk of all of them joined, as long as each piece but the last
// ends where Utf8PieceEnd allows.
struct GbkFromUtf8Builder {
    std::string gbk;
    std::wstring units;  // working buffer, reused from piece to piece
};

// The longest beginning of utf8 that can be converted on its own, whatever
// follows: it ends between two ASCII bytes, so that it cuts no UTF-8
// sequence and parts no base character from its combining mark. Only ends
// at from or later are looked for; 0 when there is none.
size_t Utf8PieceEnd(std::string_view utf8, size_t from = 0);
void AppendUtf8Piece(GbkFromUtf8Builder& builder, std::string_view piece);
Text FinishGbk(GbkFromUtf8Builder& builder);
