// zu_utils_base: colour arithmetic, the expression evaluator, string utilities, component text
// streaming and system queries. It stands below the property groups and the colour scheme, which
// use it; the drawing routines (zuUtilsDrawing.h) stand above them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/SysUtils.h"

namespace zu {

// ---- Colour arithmetic (colors.cpp) ----

enum TColor : int32_t;  // platform/graphics/Colors.h
namespace win {
struct HDC__;
using HDC = HDC__*;
struct POINT;
struct RECT;
}  // namespace win
using TPoint = win::POINT;
using TRect = win::RECT;

// Each channel of Color (a system colour resolved first) raised by Amount, at most 255.
TColor IncColor(int32_t Color, uint8_t Amount);
// Each channel of Color (a system colour resolved first) lowered by Amount, at least 0.
TColor DecColor(int32_t Color, uint8_t Amount);
// Centimetres in pixels at the DC's horizontal or vertical pixels per inch, rounded half to even:
// 1 cm at 96 pixels per inch gives 38.
int32_t SantimsToPixels(win::HDC DC, float Santims, bool Horizontal);
int32_t Min(int32_t A, int32_t B);
int32_t Max(int32_t A, int32_t B);
// A when it is strictly smaller (MinSingle) or larger (MaxSingle) than B, else B.
float MinSingle(float A, float B);
float MaxSingle(float A, float B);
// True for multiples of 2, negative ones included.
bool IsEven(int32_t Value);
void SwapInt(int32_t& A, int32_t& B);
// True only strictly inside: a point on any edge is outside.
bool IsPointInRect(const TPoint& P, const TRect& R);
// Right - Left and Bottom - Top; negative for an inverted rectangle.
int32_t RectW(const TRect& R);
int32_t RectH(const TRect& R);

// ---- Arithmetic expression evaluator (calc.cpp) ----

// Float value of + - * / ( ) text, other bytes skipped; Exception if empty, unbalanced, x/0 or too deep.
float CalcMathString(const std::string& Expression);

// ---- String utilities (strings.cpp) ----

class Variant;  // the header names it only; see IIF

// Count spaces; the count is taken modulo 65536, so 0 gives "" and -1 gives 65535 spaces.
std::string Spaces(int32_t Count);
// Count copies of C; the count is taken modulo 65536 as for Spaces.
std::string DupChar(char C, int32_t Count);
// Count copies of S; the count is taken modulo 65536 as for Spaces; an empty S gives "".
std::string DupStr(const std::string& S, int32_t Count);
// S padded with spaces to Len; S unchanged when it is already Len or longer (it is never cut).
std::string ExpandString(const std::string& S, int32_t Len);
// Code-page-1251 text transliterated Cyrillic to Latin (ToLatin) or back; bytes without a partner stay.
std::string Transliterate(const std::string& S, bool ToLatin);
// UTF-8 text in code page 1251; characters outside it and each byte of a bad sequence become '?'.
std::string Utf8ToCp1251(const std::string& S);
// Code-page-1251 text in UTF-8; every byte has a character (the unassigned 0x98 maps to U+0098).
std::string Cp1251ToUtf8(const std::string& S);
// First Pattern wholly in Text's first Limit - 1 bytes (zeros don't stop it); null if none, null args or "".
const char* StrPosExt(const char* Text, const char* Pattern, uint32_t Limit);
// A copy of IfTrue when Condition holds, else of IfFalse; callers include platform/system/Variant.h.
Variant IIF(bool Condition, const Variant& IfTrue, const Variant& IfFalse);
// A copy of IfTrue when Condition holds, else of IfFalse.
std::string IIF(bool Condition, const std::string& IfTrue, const std::string& IfFalse);
// The string form for literals, which would otherwise convert to both forms; a null pointer gives "".
inline std::string IIF(bool Condition, const char* IfTrue, const char* IfFalse) {
  const char* chosen = Condition ? IfTrue : IfFalse;
  return chosen ? chosen : "";
}

// ---- Component text streaming and system queries (system.cpp) ----

class TComponent;
enum TzuFileType : uint8_t;  // lib/types/zuTypes.h

// Writes Component with its properties and children to FileName (created or emptied) in text form.
void SaveComponentToTextFile(TComponent* Component, const std::string& FileName);
// Reads the text form in FileName into Component; EFOpenError, EParserError or EReadError on failure.
void LoadComponentFromTextFile(TComponent* Component, const std::string& FileName);
// Component with its properties and children in text form (object ... end).
std::string ComponentToString(TComponent* Component);
// Reads the text form Value into Component; EParserError or EReadError on failure.
void StringToComponent(TComponent* Component, const std::string& Value);
// The login name of the user running the program; empty when the system cannot tell.
std::string UserName();
// This computer's host name; empty when the system cannot tell.
std::string ComputerName();
// The running program's path with its extension, if any, replaced by ".ini".
std::string CreateIniFileName();
// ExeName with the extension after its last "/", "\" or ":" replaced by ".ini", or ".ini" appended.
std::string CreateIniFileName(const std::string& ExeName);
// True when the screen has exactly 96 logical pixels per inch.
bool IsSmallFonts();
// The screen's bits per pixel.
int32_t SystemColorDepth();
// fftGif, fftJpeg or fftBmp by the file name's last extension (any letter case); else fftUndefined.
TzuFileType GetFileType(const std::string& FileName);

}  // namespace zu
