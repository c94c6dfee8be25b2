// TColor: the framework's colour, 0x00BBGGRR, or a system colour (0x80000000 | index).
#pragma once

#include <cstdint>
#include <string>

#include "platform/graphics/WinTypes.h"
#include "platform/typinfo/Registration.h"

namespace zu {

// A colour of its own integer type (kind integer, type name TColor, full 32-bit range).
enum TColor : int32_t {};
const TTypeInfo* zuTypeInfo(TColor*);

constexpr TColor ToColor(uint32_t value) { return static_cast<TColor>(static_cast<int32_t>(value)); }

constexpr TColor clScrollBar = ToColor(0x80000000);
constexpr TColor clBackground = ToColor(0x80000001);
constexpr TColor clActiveCaption = ToColor(0x80000002);
constexpr TColor clInactiveCaption = ToColor(0x80000003);
constexpr TColor clMenu = ToColor(0x80000004);
constexpr TColor clWindow = ToColor(0x80000005);
constexpr TColor clWindowFrame = ToColor(0x80000006);
constexpr TColor clMenuText = ToColor(0x80000007);
constexpr TColor clWindowText = ToColor(0x80000008);
constexpr TColor clCaptionText = ToColor(0x80000009);
constexpr TColor clActiveBorder = ToColor(0x8000000A);
constexpr TColor clInactiveBorder = ToColor(0x8000000B);
constexpr TColor clAppWorkSpace = ToColor(0x8000000C);
constexpr TColor clHighlight = ToColor(0x8000000D);
constexpr TColor clHighlightText = ToColor(0x8000000E);
constexpr TColor clBtnFace = ToColor(0x8000000F);
constexpr TColor clBtnShadow = ToColor(0x80000010);
constexpr TColor clGrayText = ToColor(0x80000011);
constexpr TColor clBtnText = ToColor(0x80000012);
constexpr TColor clInactiveCaptionText = ToColor(0x80000013);
constexpr TColor clBtnHighlight = ToColor(0x80000014);
constexpr TColor cl3DDkShadow = ToColor(0x80000015);
constexpr TColor cl3DLight = ToColor(0x80000016);
constexpr TColor clInfoText = ToColor(0x80000017);
constexpr TColor clInfoBk = ToColor(0x80000018);

constexpr TColor clBlack = ToColor(0x000000);
constexpr TColor clMaroon = ToColor(0x000080);
constexpr TColor clGreen = ToColor(0x008000);
constexpr TColor clOlive = ToColor(0x008080);
constexpr TColor clNavy = ToColor(0x800000);
constexpr TColor clPurple = ToColor(0x800080);
constexpr TColor clTeal = ToColor(0x808000);
constexpr TColor clGray = ToColor(0x808080);
constexpr TColor clSilver = ToColor(0xC0C0C0);
constexpr TColor clRed = ToColor(0x0000FF);
constexpr TColor clLime = ToColor(0x00FF00);
constexpr TColor clYellow = ToColor(0x00FFFF);
constexpr TColor clBlue = ToColor(0xFF0000);
constexpr TColor clFuchsia = ToColor(0xFF00FF);
constexpr TColor clAqua = ToColor(0xFFFF00);
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clWhite = ToColor(0xFFFFFF);
constexpr TColor clNone = ToColor(0x1FFFFFFF);
constexpr TColor clDefault = ToColor(0x20000000);

// The plain RGB value: a system colour resolved through GetSysColor, any other value unchanged.
int32_t ColorToRGB(TColor color);
// The identifier of a named colour ("clBtnFace"), or the value in hexadecimal ("$00123456").
std::string ColorToString(TColor color);
// Reads an identifier or a number (decimal, or hexadecimal after "$"); false for other text.
bool IdentToColor(const std::string& ident, int32_t& color);

}  // namespace zu
