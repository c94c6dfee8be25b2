// zuTypes: the library's shared enumerations, ranges, option sets, event types and process-wide data.
#pragma once

#include <cstdint>

#include "platform/classes/Component.h"
#include "platform/typinfo/Registration.h"

namespace zu {

ZU_ENUM(TzuOrigin, forLeftTop, forRightBottom)
ZU_ENUM(TzuCheckKind, fckCheckBoxes, fckRadioButtons)
ZU_ENUM(TzuItemsDrawStyle, idsNone, idsRecessed, idsRaised)
ZU_ENUM(TzuWallpaperOption, fwoNone, fwoStretch, fwoPropStretch, fwoTile)
ZU_ENUM(TzuDrawState, fdsDefault, fdsDisabled, fdsDelicate)
ZU_ENUM(TzuVertAlign, fvaTop, fvaCenter, fvaBottom)
ZU_ENUM(TzuHorAlign, fhaLeft, fhaCenter, fhaRight)
ZU_ENUM(TzuSizingDir, fsdIncrease, fsdDecrease)
ZU_ENUM(TzuScalingDir, fsdRaising, fsdRecessing)
ZU_ENUM(TzuTextStyle, fstNone, fstRaised, fstRecessed, fstPushed, fstShadow, fstVolumetric)
ZU_ENUM(TzuAutoTransparentColor, ftcUser, ftcLeftTopPixel, ftcLeftBottomPixel, ftcRightTopPixel,
        ftcRightBottomPixel)
ZU_ENUM(TzuGradientDir, fgdHorizontal, fgdVertical, fgdLeftBias, fgdRightBias, fgdRectangle,
        fgdHorzConvergent, fgdVertConvergent)
ZU_ENUM(TzuLinesDir, fldHorizontal, fldVertical, fldLeftBias, fldRightBias)
ZU_ENUM(TThreeDGradientType, fgtFlat, fgt3D)
ZU_ENUM(TzuLabelDir, fldLeftRight, fldRightLeft, fldUpDown, fldDownUp)
ZU_ENUM(TzuAlignment, ftaLeftJustify, ftaRightJustify, ftaCenter, ftaBroadwise)
ZU_ENUM(TFontWeight, fwDONTCARE, fwTHIN, fwEXTRALIGHT, fwLIGHT, fwNORMAL, fwMEDIUM, fwSEMIBOLD, fwBOLD,
        fwEXTRABOLD, fwHEAVY)
ZU_ENUM(TzuGlyphKind, fgkCustom, fgkDefault)
ZU_ENUM(TzuFileType, fftUndefined, fftGif, fftJpeg, fftBmp)
ZU_ENUM(TzuOrientation, goHorizontal, goVertical)
ZU_ENUM(TFocusControlMethod, fcmOnMouseEnter, fcmOnMouseDown, fcmOnMouseUp)
ZU_ENUM(TzuBoxStyle, fbsFlat, fbsCtl3D, fbsStatusControl, fbsRecessed, fbsRaised, fbsRaisedFrame,
        fbsRecessedFrame)
ZU_ENUM(TzuSide, fsdLeft, fsdTop, fsdRight, fsdBottom)
ZU_ENUM(TzuHComponentAlign, haNoChange, haLeft, haCenters, haRight, haSpaceEqually, haCenterWindow, haClose)
ZU_ENUM(TzuVComponentAlign, vaNoChange, vaTops, vaCenters, vaBottoms, vaSpaceEqually, vaCenterWindow, vaClose)

ZU_RANGE(TzuPercent, uint8_t, 0, 100)
ZU_RANGE(TSpPercent, uint8_t, 1, 99)
ZU_RANGE(TPercentRange, uint8_t, 0, 100)

ZU_ENUM(TzuLabelOptions_, floActiveWhileControlFocused, floBufferedDraw, floDelineatedText, floIgnoreMouse,
        floTransparentFont)
ZU_SET(TzuLabelOptions, TzuLabelOptions_)
ZU_ENUM(TzuStTextOptions_, ftoActiveWhileControlFocused, ftoBroadwiseLastLine, ftoIgnoreMouse,
        ftoUnderlinedActive)
ZU_SET(TzuStTextOptions, TzuStTextOptions_)
ZU_ENUM(TzuCBoxOptions_, fcoActiveWhileControlFocused, fcoBoldChecked, fcoEnabledFocusControlWhileChecked,
        fcoIgnoreMouse, fcoDelineatedText, fcoFastDraw, fcoUnderlinedActive)
ZU_SET(TzuCBoxOptions, TzuCBoxOptions_)
ZU_ENUM(TzuGrBoxOptions_, fgoCanCollapse, fgoCollapseOther, fgoFilledCaption, fgoFluentlyCollapse,
        fgoFluentlyExpand, fgoResizeParent, fgoHideChildrenWhenCollapsed, fgoIgnoreMouse, fgoDelineatedText,
        fgoBufferedDraw, fgoOneAlwaysExpanded, fgoSaveChildFocus)
ZU_SET(TzuGrBoxOptions, TzuGrBoxOptions_)
ZU_ENUM(TzuListBoxOptions_, fboAutoCtl3DColors, fboBufferedDraw, fboChangeGlyphColor, fboDelineatedText,
        fboExcludeGlyphs, fboHideText, fboHotTrack, fboHotTrackSelect, fboItemColorAsGradientFrom,
        fboItemColorAsGradientTo, fboMouseMoveSentensive, fboShowFocus, fboSingleGlyph, fboTransparent,
        fboWordWrap)
ZU_SET(TzuListBoxOptions, TzuListBoxOptions_)
ZU_ENUM(TzuProgressOptions_, fpoDelineatedText, fpoTransparent)
ZU_SET(TzuProgressOptions, TzuProgressOptions_)
ZU_ENUM(TzuTabOptions_, ftoAutoFontDirection, ftoExcludeGlyphs, ftoHideGlyphs, ftoInheriteTabFonts,
        ftoTabColorAsGradientFrom, ftoTabColorAsGradientTo, ftoWordWrap)
ZU_SET(TzuTabOptions, TzuTabOptions_)
ZU_ENUM(TzuTreeViewOptions_, ftvFlatScroll)
ZU_SET(TzuTreeViewOptions, TzuTreeViewOptions_)
ZU_SET(TzuSides, TzuSide)

// Not used by any routine; carries no type information.
enum TzuAlign : uint8_t { zalNone, zalLeft, zalTop, zalRight, zalBottom, zalClient };

ZU_EVENT(TProgressChangeEvent, "Sender: TObject; Percent: Integer", TObject*, int32_t)
// The colour is passed by reference: the handler may replace it (a TColor's 32-bit value).
ZU_EVENT(TzuOnGetItemColorEvent, "Sender: TObject; Index: Integer; var Color: TColor", TObject*, int32_t,
         int32_t&)

// The process-wide settings.
struct TzuGlobalData {
  bool NoGradients = false;              // gradient fills switched off for the whole process
  TComponent* Global3DColors = nullptr;  // the 3D colour scheme that is the process-wide one, or none
};
extern TzuGlobalData zuGlobalData;

// Every enumeration and set type of this unit, for tools and tests that walk them.
const std::vector<const TTypeInfo*>& zuTypesTypeInfos();

}  // namespace zu
