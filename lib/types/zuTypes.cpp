#include "lib/types/zuTypes.h"

namespace zu {

TzuGlobalData zuGlobalData;

const std::vector<const TTypeInfo*>& zuTypesTypeInfos() {
  static const std::vector<const TTypeInfo*> all = {
      TypeInfo<TzuOrigin>(),
      TypeInfo<TzuCheckKind>(),
      TypeInfo<TzuItemsDrawStyle>(),
      TypeInfo<TzuWallpaperOption>(),
      TypeInfo<TzuDrawState>(),
      TypeInfo<TzuVertAlign>(),
      TypeInfo<TzuHorAlign>(),
      TypeInfo<TzuSizingDir>(),
      TypeInfo<TzuScalingDir>(),
      TypeInfo<TzuTextStyle>(),
      TypeInfo<TzuAutoTransparentColor>(),
      TypeInfo<TzuGradientDir>(),
      TypeInfo<TzuLinesDir>(),
      TypeInfo<TThreeDGradientType>(),
      TypeInfo<TzuLabelDir>(),
      TypeInfo<TzuAlignment>(),
      TypeInfo<TFontWeight>(),
      TypeInfo<TzuGlyphKind>(),
      TypeInfo<TzuFileType>(),
      TypeInfo<TzuOrientation>(),
      TypeInfo<TFocusControlMethod>(),
      TypeInfo<TzuBoxStyle>(),
      TypeInfo<TzuSide>(),
      TypeInfo<TzuHComponentAlign>(),
      TypeInfo<TzuVComponentAlign>(),
      TypeInfo<TzuPercent>(),
      TypeInfo<TSpPercent>(),
      TypeInfo<TPercentRange>(),
      TypeInfo<TzuLabelOptions>(),
      TypeInfo<TzuStTextOptions>(),
      TypeInfo<TzuCBoxOptions>(),
      TypeInfo<TzuGrBoxOptions>(),
      TypeInfo<TzuListBoxOptions>(),
      TypeInfo<TzuProgressOptions>(),
      TypeInfo<TzuTabOptions>(),
      TypeInfo<TzuTreeViewOptions>(),
      TypeInfo<TzuSides>(),
  };
  return all;
}

}  // namespace zu
