// TParser: the tokenizer of the text form of components (object ... end), with errors that name
// the line where they arose.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/classes/Streams.h"

namespace zu {

// Token kinds besides single characters, which stand for themselves.
enum : char { toEOF = 0, toSymbol = 1, toString = 2, toInteger = 3, toFloat = 4, toWString = 5 };

class TParser {
 public:
  // Reads the rest of Stream (a UTF-8 byte-order mark is skipped) and moves to its first token.
  // A memory or string stream is read in place: it must outlive the parser, unchanged.
  explicit TParser(TStream& Stream);

  // Moves to the next token and returns it. A zero byte ends the text as its end does.
  char NextToken();
  char Token() const { return FToken; }
  // The current token as written: a symbol, a number with its suffix, a character.
  std::string TokenString() const;
  // A string token (quoted text and #n or #$hex codes) is toString when its codes are all below
  // 128 and toWString otherwise; its value is made on request, by the rules beside the value
  // types in Filer.h. AppendTokenBytes appends a toString token's bytes: the quoted text's bytes
  // as they stand, the codes as bytes. AppendTokenUnits appends any string token as UTF-16: the
  // quoted text decoded as UTF-8 (or Latin-1 when it is no UTF-8), the codes as units.
  void AppendTokenBytes(std::string& Out) const;
  void AppendTokenUnits(std::u16string& Out) const;
  // The length of a string token's value: its bytes for toString, at most its units for toWString.
  size_t TokenStringLength() const { return FTokenLength; }
  // Where the parser stands, to read the tokens from there again with Restore.
  struct TMark {
    size_t Pos, TokenStart, TokenLength;
    int Line, TokenLine;
    char Token, FloatType;
  };
  TMark Mark() const { return {FPos, FTokenStart, FTokenLength, FLine, FTokenLine, FToken, FFloatType}; }
  void Restore(const TMark& M);
  // An integer token's value (decimal, or hexadecimal after "$"); EParserError past 64 bits.
  int64_t TokenInt() const;
  // A float token's value without its suffix, the extended nearest to its decimal digits (ties to
  // even); EParserError when it is too large for an extended. -INF is infinite.
  long double TokenFloat() const;
  // The suffix of a float token: 's' single, 'c' currency, 'd' date, or 0 for none.
  char FloatType() const { return FFloatType; }
  // The current symbol extended by the ".name" parts that follow it directly (Form1.Edit1).
  std::string TokenComponentIdent();
  // True when the current token is the symbol S, letters compared without regard to case.
  bool TokenSymbolIs(std::string_view S) const;
  // EParserError unless the current token is T ("Identifier expected" ...).
  void CheckToken(char T) const;
  void CheckTokenSymbol(std::string_view S) const;
  // The bytes of the hexadecimal digit pairs after a '{' token, blanks allowed between pairs,
  // up to the '}', which becomes the current token; EParserError "Invalid binary value" otherwise.
  std::string HexToBinary();
  // Raises EParserError "<Message> on line <n>" for the current token's line.
  [[noreturn]] void Error(const std::string& Message) const;
  int SourceLine() const { return FTokenLine; }
  // Where the current token starts, in bytes from where the parser began reading its stream.
  int64_t TokenOffset() const { return static_cast<int64_t>(FTokenStart); }

 private:
  void SkipBlanks();
  void ScanString();
  void ScanNumber();
  // Calls OnText for each run of quoted text (quotes undoubled) and OnCode for each code of the
  // current string token, which ScanString has checked.
  template <class Text, class Code>
  void WalkString(Text OnText, Code OnCode) const;

  std::string FCopy;       // the stream's bytes, unless read in place
  std::string_view FText;  // the text parsed
  size_t FPos = 0;
  size_t FTokenStart = 0;
  int FLine = 1;
  int FTokenLine = 1;
  char FToken = toEOF;
  char FFloatType = 0;
  size_t FTokenLength = 0;
};

}  // namespace zu
