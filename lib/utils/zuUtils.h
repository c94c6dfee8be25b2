// zuUtils: the library's drawing routines and general utilities.
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

// ---- Styled text, boxes, bitmaps (text.cpp, boxes.cpp, bitmaps.cpp) ----

class TzuCustomLabelColors;
// Derives Colors' Shadow (AutoShadow) and Highlight (AutoHighlight) from Color, a system colour
// resolved first, and stores them without notifying; nothing changes with both flags clear.
void CalcShadowAndHighlightColors(TColor Color, TzuCustomLabelColors* Colors);

class TFont;
class TCanvas;
class TBitmap;
class TIllumination;
class TGradient;
template <class E>
class TSet;
enum TzuTextStyle : uint8_t;
enum TzuHorAlign : uint8_t;
enum TzuVertAlign : uint8_t;
enum TzuAlignment : uint8_t;
enum TzuBoxStyle : uint8_t;
enum TzuSide : uint8_t;
using TzuSides = TSet<TzuSide>;
enum TBevelCut : uint8_t;
enum TzuWallpaperOption : uint8_t;
enum TzuDrawState : uint8_t;
enum TzuAutoTransparentColor : uint8_t;
namespace win {
struct HFONT__;
using HFONT = HFONT__*;
}  // namespace win

// Draws text in rect with DrawTextA flags (0 means single line, vertically centred) in the font's
// colour, with the style's highlight and shadow copies at one- or two-pixel offsets underneath
// (fstPushed: highlight and shadow only). A null font draws nothing. The DC is left as it was.
void DrawTextInRect(win::HDC dc, const TRect& rect, const std::string& text, TzuTextStyle style, TFont* font,
                    uint32_t format);
// DrawTextInRect with the alignments' flags added to format.
void DrawTextInRectWithAlign(win::HDC dc, const TRect& rect, const std::string& text, TzuHorAlign horAlign,
                             TzuVertAlign vertAlign, TzuTextStyle style, TFont* font, uint32_t format);
// Writes text at (x, y) clipped to clipRect, styled: effect copies in the highlight and shadow
// colours (skipped with skipEffects, except for fstPushed), an outline in delineateColor when
// delineate is set, then the text in textColor, or through the gradient when one is given. The
// shadow of fstShadow and fstVolumetric is the illumination's ShadowDepth (2 without one). A null
// font draws nothing. The DC is left as it was.
void ExtTextOutExt(win::HDC dc, int32_t x, int32_t y, const TRect& clipRect, const std::string& text,
                   TzuTextStyle style, bool delineate, bool skipEffects, TColor textColor, TColor delineateColor,
                   TColor highlightColor, TColor shadowColor, TIllumination* illumination, TGradient* gradient,
                   TFont* font);
// Writes text into rect with the canvas's font and colours: left, right or centred (word-wrapped
// on request), or ftaBroadwise: word by word from rect's top-left, every line but the last spread
// to both edges, lines continuing below rect as needed. Empty text or a null canvas draws nothing.
void DrawTextExtAligned(TCanvas* canvas, const std::string& text, const TRect& rect, TzuAlignment alignment,
                        bool wordWrap);
// A new font like font with the baseline at escapement tenths of a degree; the caller deletes
// it. Null for a null font.
win::HFONT CreateRotatedFont(TFont* font, int32_t escapement);

// Draws the box style's 3D edges with DrawEdge and shrinks rect to the interior; fbsFlat,
// fbsStatusControl and unknown styles leave it as it is. The last two arguments have no effect.
void DrawBox(win::HDC dc, TRect& rect, TzuBoxStyle style, int32_t unused, bool unusedFlag);
// Draws the outer then the inner bevel on the given sides with lines of the selected pen's style
// and width, in the registered 3D colour scheme's colours (the system's without one), fills the
// rest with fillColor unless transparent and returns that interior (its right and bottom lines
// included). Empty sides or bvNone bevels draw no line.
TRect DrawBoxEx(win::HDC dc, const TRect& rect, TzuSides sides, TBevelCut inner, TBevelCut outer, bool bold,
                TColor fillColor, bool transparent);
// gradient's Draw over rect; a null gradient draws nothing.
void GradientBox(win::HDC dc, const TRect& rect, TGradient* gradient, int32_t penStyle, int32_t penWidth);

// Draws bitmap at rect's top-left moved by the offsets: in its own size, stretched to rect,
// scaled proportionally into rect, or tiled over rect (from the offset point to rect's right and
// bottom edges); normal, embossed grey (fdsDisabled) or with white and mid-grey turned into the
// highlight and shadow colours (fdsDelicate); with transparent, target pixels under the key
// colour (transparentColor, button face when disabled) stay. A null or empty bitmap (a zero width
// or height) draws nothing; auxColor has no effect. The bitmap and the DC's settings stay as they were.
void CreateBitmapExt(win::HDC dc, TBitmap* bitmap, const TRect& rect, int32_t offsetX, int32_t offsetY,
                     TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent, TColor transparentColor,
                     TColor auxColor);
// The same as CreateBitmapExt.
void DrawBitmapExt(win::HDC dc, TBitmap* bitmap, const TRect& rect, int32_t offsetX, int32_t offsetY,
                   TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent, TColor transparentColor,
                   TColor auxColor);
// Turns every pixel of bitmap that equals fromColor into toColor and leaves the canvas's brush
// colour at toColor. Nothing happens to a null or empty bitmap.
void ChangeBitmapColor(TBitmap* bitmap, TColor fromColor, TColor toColor);
// The colour of the corner pixel mode names (any unknown mode: bottom right); black for ftcUser
// and for a null or empty bitmap.
TColor GetTransparentColor(TBitmap* bitmap, TzuAutoTransparentColor mode);
// True when bitmap is not null and has a non-zero width and height.
bool IsItAFilledBitmap(TBitmap* bitmap);

// ---- Window imaging and lookup (windows.cpp) ----

class TControl;
class TWinControl;
class TForm;
struct TClassInfo;
namespace win {
struct HDC__;
struct HWND__;
struct RECT;
struct POINT;
}  // namespace win

// Paints control's face (paintSelf) and children with its origin at (x, y) of dc; windowed
// children through this routine while recurse is set (also hidden ones), others by the paint
// message when visible. A null control paints nothing.
void GetWindowImageFrom(TWinControl* control, int32_t x, int32_t y, bool paintSelf, bool recurse,
                        win::HDC__* dc);
// GetWindowImageFrom at (0, 0).
void GetWindowImage(TWinControl* control, bool paintSelf, bool recurse, win::HDC__* dc);
// Paints what lies behind control inside rect (parent's client coordinates, its corner at dc's
// (0, 0)): the parent's face, then the visible non-windowed siblings below control that meet it.
// Nothing without a parent.
void GetParentImageRect(TControl* control, const win::RECT& rect, win::HDC__* dc);
// Brings the nearest TForm at or above control to the top; nothing without one.
void BringParentWindowToTop(TWinControl* control);
// control itself when it is a TForm, else its nearest TForm parent; null when none (or null).
TForm* GetParentForm(TControl* control);
// FindWindowA(className, caption); 0 without searching when both are empty.
win::HWND__* FindMainWindow(const std::string& className, const std::string& caption);
// An information box with text, no title and an OK button, owned by the application's window.
void Msg(const std::string& text);
// Plays the RT_RCDATA resource of that name (a wave file image) asynchronously; false when it is
// missing, shorter than its wave header says, or cannot be played (no audio device).
bool PlayWaveResource(const std::string& name);
// Presses and releases a key per character: codes up to 32 as their own key, letters, digits and
// US-layout punctuation by their key (with Shift down around those that need it); characters no
// key types (codes above 126) are skipped. Empty text sends nothing.
void TypeStringOnKeyboard(const std::string& text);
// The direct child of parent, searched from the last index down, that is of controlClass (or
// derives from it) and whose bounds hold point (right and bottom edges outside); null when none.
TControl* FindControlAtPt(TWinControl* parent, win::POINT& point, const TClassInfo* controlClass);

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
