// The text form of components, as form files hold it:
//
//   object Form1: TForm1
//     Caption = 'It'#39's'
//     Font.Style = [fsBold]
//     Lines.Strings = (
//       'one'
//       'two')
//     object Label1: TLabel
//       Left = 8
//     end
//   end
//
// Two-space indentation, CR LF line ends, strings quoted with #n codes for control characters,
// quotes and a wide string's non-ASCII characters (the rules are beside the value types in
// Filer.h) and cut into " +" continued lines of 64 characters, sets in brackets, lists in
// parentheses, collections as < item ... end >, binary data in braces. Floats are written without
// a suffix but for dates (d) and currency (c), in the fewest digits that read back as the same
// extended (a float's digits are read to the nearest extended); a single (s) is read, and kept as
// the extended it is.
#pragma once

#include "platform/classes/Streams.h"

namespace zu {

// Converts one component in binary form (from Input's position) to its text form, appended to
// Output; Input is left just after the component. The component's structure is walked first
// (TReader::SettleDialect): malformed binary input raises EReadError naming the value type and
// offset, and Output then holds nothing of it.
void ObjectBinaryToText(TStream& Input, TStream& Output);
// Converts the text form of one component (from Input's position) to binary form, appended to
// Output; Input is left at the first token after the component's final "end". Malformed text
// raises EParserError naming the line; Output then holds nothing of it.
void ObjectTextToBinary(TStream& Input, TStream& Output);

}  // namespace zu
