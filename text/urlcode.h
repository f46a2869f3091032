// Percent-coding between the program's GBK texts and the site's UTF-8: the
// keyword on the way out, the result page on the way in.
#pragma once

#include "text/text.h"

// The keyword as UTF-8 with every byte written as "%" and two upper-case
// hexadecimal digits; with keepPlain, ASCII letters, digits and , - . / stay
// as they are. Lets the window process pending messages after every byte, so
// a handler may run (and encode) in the middle of it.
Text UrlEncode(const Text& text, bool keepPlain = false);

// The page with its percent escapes decoded, converted from UTF-8 to GBK.
// Only "%" and two hexadecimal digits (either case) is an escape, and an
// escaped zero byte adds nothing; any other "%" stays, and "+" stays "+".
Text UrlDecode(const Text& text);
