// Fonts and text of the classic drawing API: FreeType glyphs, monochrome or antialiased, faces found
// with fontconfig. Strings are UTF-8 bytes; counts are in bytes (-1: up to the terminator).
#pragma once

#include "platform/graphics/WinTypes.h"

namespace zu::win {

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE OEM_CHARSET = 255;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;

// A font from a logical-font record. Classic face names map to installed faces ("MS Sans Serif"
// to the sans-serif face); weight 600 and above is bold; a face without bold or italic is
// emboldened or slanted. The quality chooses the rendering: monochrome (the classic crisp look)
// by default, greyscale-antialiased glyphs blended over the destination for ANTIALIASED_QUALITY
// and CLEARTYPE_QUALITY (monochrome again on a 1-bit surface). Never 0 for a record; 0 for a null one.
HFONT CreateFontIndirectA(const LOGFONTA* font);

// Metrics of the selected font; 0 for a dead DC.
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
// Width (sum of the advances, with no kerning) and cell height of the string in the selected font.
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size);

constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
// Which point of the text TextOutA's (x, y) names; returns the previous value.
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

// Writes the text from (x, y) (its top-left by default) in the text colour; in opaque mode its
// cell is filled with the background colour first. A font with escapement draws rotated about
// (x, y).
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);

constexpr UINT ETO_OPAQUE = 2;
constexpr UINT ETO_CLIPPED = 4;
// TextOutA with options: ETO_OPAQUE fills `rect` with the background colour, ETO_CLIPPED clips
// the text to it (`rect` may be null otherwise). `dx` (may be null) gives each character's advance.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const int* dx);

constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_TABSTOP = 0x80;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_EXTERNALLEADING = 0x200;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
// Writes text in `rect` as `format` says: horizontal alignment per line; vertical alignment only
// with DT_SINGLELINE; lines break at line breaks unless DT_SINGLELINE and, with DT_WORDBREAK, at
// spaces before the right edge (a word wider than the line stays whole); tabs expand to every
// eight average character widths (DT_EXPANDTABS; DT_TABSTOP takes the count from bits 8-15);
// "&x" underlines x and "&&" is "&" unless DT_NOPREFIX; clipped to `rect` unless DT_NOCLIP.
// DT_VCENTER puts the text's top at top + height / 2 - text height / 2, each half rounded down
// on its own. DT_CALCRECT draws nothing and sets rect's right and bottom to the text's extent
// (the bottom below the centred top with DT_SINGLELINE | DT_VCENTER).
// Returns the height of the text, from rect's top when vertically aligned; 0 for a dead DC.
int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

}  // namespace zu::win
