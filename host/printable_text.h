#pragma once
// Text that comes from outside (the calculator's names, names found on disk) on its way to a
// reader: the log list, a terminal, the journal. It must show as data and never act: no line
// breaks of its own, no terminal escapes, no bytes a toolkit would replace unseen.

#include <string>
#include <string_view>

namespace host {

// The C0 controls and DEL: 0x00-0x1F and 0x7F.
constexpr bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The text with every control byte, every C1 control character (U+0080-U+009F, which some
// terminals obey as escapes) and every byte that is not part of valid UTF-8 written as "\x"
// and two lower-case hexadecimal digits per byte; all else, valid UTF-8 such as "é" included,
// stays as it is. What it answers needs no more escaping: a second pass changes nothing.
std::string PrintableText(std::string_view text);

}  // namespace host
