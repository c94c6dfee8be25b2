// Device contexts, drawing objects and pixel operations of the classic drawing API, in software.
// Coordinates are logical: the viewport origin is added to reach device pixels. Every call on a
// deleted or foreign handle does nothing and returns 0 (or the documented failure value).
#pragma once

#include "platform/graphics/WinTypes.h"

namespace zu::win {

// ---- Device contexts ----

// A memory DC with the caps of `dc` (of the screen when 0) and a 1 x 1 monochrome bitmap selected.
HDC CreateCompatibleDC(HDC dc);
// Deletes a DC made by CreateCompatibleDC or CreateSurfaceDC; its selected objects stay alive.
BOOL DeleteDC(HDC dc);
// GetDC(0) is a DC on the screen; a window's DC draws on the back buffer its surface provider
// names (Surface.h), 0 without one. ReleaseDC deletes it and returns 1, 0 for an unknown DC.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

// Pushes the DC's state (objects, colours, modes, viewport origin, clip, position); returns the
// new depth, 0 on failure.
int SaveDC(HDC dc);
// level > 0 restores the state the level-th SaveDC pushed; level < 0 counts back from the last.
// Returns 0 when that state does not exist.
BOOL RestoreDC(HDC dc, int level);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);

constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
// Narrows the clip to the rectangle, taken in device coordinates at the time of the call.
// Returns NULLREGION when nothing is left, SIMPLEREGION otherwise, 0 on failure.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
// The clip in logical coordinates (the whole surface when nothing was clipped).
int GetClipBox(HDC dc, RECT* rect);

constexpr UINT OBJ_REGION = 8;
constexpr int ERROR = 0;
// A rectangular region (a region object, deleted with DeleteObject).
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// The region's rectangle; NULLREGION when it is empty, SIMPLEREGION otherwise, 0 for a dead region.
int GetRgnBox(HRGN region, RECT* rect);
// Copies the DC's clip, in device coordinates, into `region`: 1 when a clip is set, 0 when none
// is (the region is left alone), -1 for a dead DC or region.
int GetClipRgn(HDC dc, HRGN region);
// Makes a copy of `region` (device coordinates) the DC's clip; a null region removes the clip.
// Returns NULLREGION or SIMPLEREGION for what is left to draw on, ERROR for a dead DC or region.
int SelectClipRgn(HDC dc, HRGN region);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
// Each setter returns the previous value (0 or CLR_INVALID on failure).
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);

// Mapping modes are stored and reported; drawing always maps one logical unit to one pixel.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
// Bits per pixel and planes of the device (not of the selected bitmap), pixels per inch, and the
// size of the screen (also on memory DCs, whatever bitmap they hold); 0 for other indices.
int GetDeviceCaps(HDC dc, int index);

// ---- Objects ----

constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_DC = 3;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
constexpr UINT OBJ_MEMDC = 10;

// Selects a pen, brush, font or bitmap; returns the object it replaces, 0 when `object` is not a
// live object or is a bitmap that cannot be selected (selected elsewhere, or the DC is not a
// memory DC).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
// OBJ_* of a live object, 0 otherwise.
DWORD GetObjectType(HGDIOBJ object);
// Copies LOGPEN, LOGBRUSH, LOGFONTA or BITMAP into `out`; with a null `out` returns the size needed.
// Returns the bytes written, 0 for a dead handle or a buffer too small.
int GetObjectA(HGDIOBJ object, int size, void* out);
// Deletes a pen, brush, font or bitmap; stock objects are kept (returns 1), dead handles give 0.
// DCs still pointing at a deleted object draw as though nothing of that kind were selected.
BOOL DeleteObject(HGDIOBJ object);

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
// A shared object that DeleteObject keeps; 0 for an unknown index.
HGDIOBJ GetStockObject(int index);

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;        // 18 on, 6 off
constexpr int PS_DOT = 2;         // 3 on, 3 off
constexpr int PS_DASHDOT = 3;     // 9, 6, 3, 6
constexpr int PS_DASHDOTDOT = 4;  // 9, 3, 3, 3, 3, 3
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
// Width 0 or 1 is one pixel; the dash styles apply to one-pixel pens, wider pens draw solid.
// An unknown style gives 0.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);

constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;  // -----
constexpr int HS_VERTICAL = 1;    // |||||
constexpr int HS_FDIAGONAL = 2;   // \\\\\   .
constexpr int HS_BDIAGONAL = 3;   // /////
constexpr int HS_CROSS = 4;       // +++++
constexpr int HS_DIAGCROSS = 5;   // xxxxx
HBRUSH CreateSolidBrush(COLORREF color);
// Hatches are 8 x 8 patterns anchored at the device origin, drawn in the brush colour over the
// background colour (opaque mode) or over what is there (transparent mode): horizontal lines where
// y % 8 == 3, vertical where x % 8 == 4, forward diagonals where x % 8 == y % 8, backward where
// (x + y) % 8 == 7; the crosses are the unions. 0 for an unknown hatch.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);

// A colour bitmap of the DC's device (a 1-bit one when the DC's own bitmap is 1-bit), black;
// 0 when a size is not positive.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 1 bit per pixel gives a monochrome bitmap, any other depth a 32-bit one. `bits` (may be null)
// holds rows of 1-bit pixels padded to 16 bits (most significant bit first, 1 = white), or of
// 32-bit pixels 0x00RRGGBB. 0 when a size is not positive.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

// ---- Pixels, rectangles and lines ----

// The colour of a pixel; CLR_INVALID outside the clip or the surface.
COLORREF GetPixel(HDC dc, int x, int y);
// Sets a pixel (to black or white on a 1-bit surface, whichever is nearer); returns the colour
// set, CLR_INVALID outside the clip or the surface.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Fills the rectangle (right and bottom edges excluded) with `brush`; a brush value of 1 to 31
// is a system colour index + 1. An inverted side runs from the lower edge + 1 to the higher
// edge, both included: {9, 3, 2, 7} fills x 3..9. Returns 0 for a dead DC or brush.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

// Moves the current position; `previous` (may be null) receives the old one.
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);
// Draws from the current position towards (x, y), leaving out the end point, and moves there.
// Pixels round to the nearest, ties to the smaller coordinate; dash patterns start anew. Only the
// part inside the clip is walked, so a long line costs what it shows.
BOOL LineTo(HDC dc, int x, int y);

// Lines through the points, each leaving out its end point, as consecutive LineTo calls would draw
// them except that a dash pattern runs on across the joints. Polyline leaves the current position
// alone; PolylineTo starts from it and moves it to the last point. 0 for fewer than 2 (1) points.
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);

// The pen's outline on the rectangle's edges (right and bottom exclusive, so the right column is
// right - 1), the brush inside it; with the null pen the brush fills left..right - 1 by
// top..bottom - 1. Both follow the binary raster operation.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// Inverts every other pixel of the rectangle's one-pixel border, those where x + y is odd (device
// coordinates); drawing it twice takes it away.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

// Binary raster operations: how pen (and Rectangle's brush) colours combine with what is there.
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;  // the default
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;
// Returns the previous operation; 0 for a dead DC or a value outside 1..16.
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);

constexpr UINT BDR_RAISEDOUTER = 0x1;
constexpr UINT BDR_SUNKENOUTER = 0x2;
constexpr UINT BDR_RAISEDINNER = 0x4;
constexpr UINT BDR_SUNKENINNER = 0x8;
constexpr UINT BDR_OUTER = 0x3;
constexpr UINT BDR_INNER = 0xC;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x1;
constexpr UINT BF_TOP = 0x2;
constexpr UINT BF_RIGHT = 0x4;
constexpr UINT BF_BOTTOM = 0x8;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = 0xF;
constexpr UINT BF_DIAGONAL = 0x10;
constexpr UINT BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT;
constexpr UINT BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT;
constexpr UINT BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_MIDDLE = 0x800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;
// Draws one-pixel edge lines inside `rect` on the sides `flags` names, outer layer first:
// raised outer 3D light / 3D dark shadow, raised inner highlight / shadow, sunken outer shadow /
// highlight, sunken inner 3D dark shadow / 3D light (top-left / bottom-right; the bottom-right
// colour owns the top-right and bottom-left corners). A layer with both bits draws raised.
// BF_MIDDLE fills the inside with button face, BF_ADJUST shrinks `rect` to it, BF_FLAT draws
// shadow / face, BF_MONO window frame / window; BF_SOFT (without those two) takes the top-left colour of
// raised outer, raised inner, sunken outer, sunken inner from highlight, 3D light, 3D dark shadow,
// shadow.
// BF_DIAGONAL draws one corner-to-corner line per layer instead: "/" for the ends top-right and
// bottom-left, a backslash otherwise; the bottom-right colour when it ends on the right, the top-left one
// otherwise; the inner layer one pixel lower; BF_MIDDLE and BF_ADJUST do nothing then.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

// ---- Block transfers ----

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// The ternary code is bits 16-23 of `rop`: bit (P << 2 | S << 1 | D) of it is the result bit
// for pattern (brush) bit P, source bit S and destination bit D; all 256 codes work.
// A colour source on a 1-bit destination gives 1 exactly where it equals the source DC's
// background colour; a 1-bit source on a colour destination gives the destination's text colour
// for 0 and its background colour for 1. `source` may be 0 when the code does not use it.
// Only the part inside both the destination's clip and the source bitmap is drawn.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

constexpr int BLACKONWHITE = 1;  // shrinking ANDs the source pixels that meet (default)
constexpr int WHITEONBLACK = 2;  // shrinking ORs them
constexpr int COLORONCOLOR = 3;  // shrinking keeps the last column and the first row of a group
constexpr int HALFTONE = 4;      // shrinking blends the two source pixels around i * sw / dw
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
// Maps the source rectangle onto the destination rectangle by pixel centres, ties toward the lower
// index: enlarging, destination d reads source ceil((2d + 1) sw / (2 dw)) - 1; shrinking, source s
// lands on destination ceil((2s + 1) dw / (2 sw)) - 1, and the pixels landing together merge as
// the stretch mode says. A negative width or height mirrors.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                int sheight, DWORD rop);

}  // namespace zu::win
