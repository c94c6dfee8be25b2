// Boxes and frames: the fixed 3D box styles, bevelled frames of one-pixel lines, gradient boxes.
#include "lib/colors3d/zu3DCol.h"
#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtilsDrawing.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/SysColors.h"

namespace zu {

using namespace win;

namespace {

void Edge(HDC dc, const RECT& rect, UINT edge, UINT flags) {
  RECT r = rect;  // DrawEdge gets a copy: only the box style steps move the rectangle
  DrawEdge(dc, &r, edge, flags);
}

void SunkenSequence(HDC dc, RECT& r) {
  Edge(dc, r, BDR_SUNKENINNER, BF_TOPLEFT);
  Edge(dc, r, BDR_SUNKENOUTER, BF_BOTTOMRIGHT);
  --r.bottom;
  --r.right;
  ++r.top;
  ++r.left;
  Edge(dc, r, BDR_SUNKENOUTER, BF_TOPLEFT | BF_MIDDLE);
  ++r.top;
  ++r.left;
}

void RaisedSequence(HDC dc, RECT& r) {
  Edge(dc, r, BDR_RAISEDOUTER, BF_BOTTOMRIGHT);
  --r.bottom;
  --r.right;
  Edge(dc, r, BDR_RAISEDINNER, BF_TOPLEFT);
  ++r.top;
  ++r.left;
  Edge(dc, r, BDR_RAISEDINNER, BF_BOTTOMRIGHT | BF_MIDDLE);
}

void Shrink(RECT& r, int by) {
  r.left += by;
  r.top += by;
  r.right -= by;
  r.bottom -= by;
}

// The pens of one DrawBoxEx call: the frame colours in the style and width of the pen that was
// selected, which is put back (with the current position) when they are deleted.
class BevelPens {
 public:
  explicit BevelPens(HDC dc) : FDC(dc), FOldPen(GetCurrentObject(dc, OBJ_PEN)) {
    GetCurrentPositionEx(dc, &FOldPosition);
    LOGPEN current;
    int style = PS_SOLID, width = 1;
    if (GetObjectA(FOldPen, sizeof current, &current)) {
      style = int(current.lopnStyle);
      width = current.lopnWidth.x == 0 ? 1 : int(current.lopnWidth.x);
    }
    COLORREF dark = GetSysColor(COLOR_3DDKSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
             shade = GetSysColor(COLOR_BTNSHADOW);
    if (auto* scheme = dynamic_cast<Tzu3DLocalColors*>(zuGlobalData.Global3DColors)) {
      dark = ResolveColor(COLORREF(scheme->DkShadow()));
      light = ResolveColor(COLORREF(scheme->Highlight()));
      shade = ResolveColor(COLORREF(scheme->Shadow()));
    }
    Dark = CreatePen(style, width, dark);
    Light = CreatePen(style, width, light);
    Shade = CreatePen(style, width, shade);
  }
  ~BevelPens() {
    SelectObject(FDC, FOldPen);
    MoveToEx(FDC, FOldPosition.x, FOldPosition.y, nullptr);
    DeleteObject(Dark);
    DeleteObject(Light);
    DeleteObject(Shade);
  }
  BevelPens(const BevelPens&) = delete;
  BevelPens& operator=(const BevelPens&) = delete;

  void Line(HPEN pen, int x1, int y1, int x2, int y2) const {
    SelectObject(FDC, pen);
    MoveToEx(FDC, x1, y1, nullptr);
    LineTo(FDC, x2, y2);
  }

  HPEN Dark = nullptr;
  HPEN Light = nullptr;
  HPEN Shade = nullptr;

 private:
  HDC FDC;
  HGDIOBJ FOldPen;
  POINT FOldPosition;
};

// Draws one bevel along the sides of A; every line moves the matching side of R one pixel in.
void DrawBevel(const BevelPens& pens, TBevelCut cut, TzuSides sides, bool bold, const RECT& A, RECT& R) {
  const int L = A.left, T = A.top, Rt = A.right, B = A.bottom;
  if (sides.Contains(fsdLeft)) {
    const int e1 = sides.Contains(fsdBottom) ? 0 : 1;
    if (cut == bvLowered && bold) {
      pens.Line(pens.Dark, L, T, L, B);
      pens.Line(pens.Shade, L + 1, T + 1, L + 1, B + e1);
      R.left += 2;
    } else if (cut == bvRaised) {
      pens.Line(pens.Light, L, T, L, B + 1);
      ++R.left;
    } else {
      pens.Line(pens.Shade, L, T, L, B);
      ++R.left;
    }
  }
  if (sides.Contains(fsdTop)) {
    if (cut == bvLowered && bold) {
      pens.Line(pens.Dark, L, T, Rt, T);
      pens.Line(pens.Shade, L + 1, T + 1, Rt, T + 1);
      R.top += 2;
    } else {
      pens.Line(cut == bvRaised ? pens.Light : pens.Shade, L, T, Rt, T);
      ++R.top;
    }
  }
  if (sides.Contains(fsdRight)) {
    if (cut == bvLowered) {
      pens.Line(pens.Light, Rt, T, Rt, B);
      --R.right;
    } else if (cut == bvRaised && bold) {
      pens.Line(pens.Dark, Rt, T, Rt, B + 1);
      pens.Line(pens.Shade, Rt - 1, T + 1, Rt - 1, B + 1);
      R.right -= 2;
    } else {
      pens.Line(pens.Shade, Rt, T, Rt, cut == bvRaised ? B + 1 : B);
      --R.right;
    }
  }
  if (sides.Contains(fsdBottom)) {
    const int e2 = sides.Contains(fsdLeft) ? 1 : 0;
    if (cut == bvLowered) {
      pens.Line(pens.Light, L, B, Rt + 1, B);
      --R.bottom;
    } else if (cut == bvRaised && bold) {
      pens.Line(pens.Dark, L, B, Rt, B);
      pens.Line(pens.Shade, L + e2, B - 1, Rt, B - 1);
      R.bottom -= 2;
    } else {
      pens.Line(pens.Shade, L, B, cut == bvRaised ? Rt : Rt + 1, B);
      --R.bottom;
    }
  }
}

}  // namespace

void DrawBox(HDC dc, TRect& rect, TzuBoxStyle style, int32_t, bool) {
  switch (style) {
    case fbsCtl3D:
      rect.left += 2;
      rect.top += 2;
      rect.right -= 2;
      rect.bottom -= 1;
      break;
    case fbsRecessed:
      --rect.bottom;
      SunkenSequence(dc, rect);
      break;
    case fbsRaised:
      Shrink(rect, 2);
      RaisedSequence(dc, rect);
      break;
    case fbsRaisedFrame:
      RaisedSequence(dc, rect);
      Shrink(rect, 1);
      SunkenSequence(dc, rect);
      break;
    case fbsRecessedFrame:
      SunkenSequence(dc, rect);
      Shrink(rect, 1);
      RaisedSequence(dc, rect);
      break;
    default:
      break;
  }
}

TRect DrawBoxEx(HDC dc, const TRect& rect, TzuSides sides, TBevelCut inner, TBevelCut outer, bool bold,
                TColor fillColor, bool transparent) {
  RECT R = rect;
  {
    BevelPens pens(dc);
    RECT A = rect;
    if (outer != bvNone) DrawBevel(pens, outer, sides, bold, A, R);
    A = R;
    if (inner != bvNone) DrawBevel(pens, inner, sides, bold, A, R);
  }
  if (!transparent) {
    RECT fill{R.left, R.top, R.right + 1, R.bottom + 1};
    HBRUSH brush = CreateSolidBrush(ResolveColor(COLORREF(fillColor)));
    FillRect(dc, &fill, brush);
    DeleteObject(brush);
  }
  return R;
}

void GradientBox(HDC dc, const TRect& rect, TGradient* gradient, int32_t penStyle, int32_t penWidth) {
  if (gradient) gradient->Draw(dc, rect, penStyle, penWidth);
}

}  // namespace zu
