// zu_utils: the drawing routines (styled text, boxes, bitmaps) and window imaging and lookup. They
// stand above the property groups and the colour scheme they draw with.
#pragma once

#include <cstdint>
#include <string>

#include "lib/utils/zuUtilsBase.h"

namespace zu {

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
struct HWND__;
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
                   TzuTextStyle style, bool delineate, bool skipEffects, TColor textColor,
                   TColor delineateColor, TColor highlightColor, TColor shadowColor,
                   TIllumination* illumination, TGradient* gradient, TFont* font);
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
                     TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent,
                     TColor transparentColor, TColor auxColor);
// The same as CreateBitmapExt.
void DrawBitmapExt(win::HDC dc, TBitmap* bitmap, const TRect& rect, int32_t offsetX, int32_t offsetY,
                   TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent,
                   TColor transparentColor, TColor auxColor);
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

}  // namespace zu
