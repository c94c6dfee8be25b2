// TGraphic, TBitmap with its canvas, TIcon.
#include "platform/graphics/Bitmaps.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/ImageFiles.h"
#include "platform/graphics/Surface.h"

namespace zu {

using namespace win;

// ---- TGraphic ----

ZU_PUBLISHED(TGraphic, "Graphics") {}

void TGraphic::Changed() { OnChange(this); }

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

// ---- TBitmap ----

namespace {

// `count` bytes of a file for a loader; a failed allocation is EOutOfMemory.
std::string LoaderBuffer(size_t count) {
  try {
    return std::string(count, '\0');
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
}

}  // namespace

// The canvas of a bitmap: a memory DC made on demand with the bitmap selected, given up
// whenever the bitmap's handle changes.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    HDC dc = CurrentHandle();
    if (!dc) return;
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    FOldBitmap = nullptr;
    DeleteDC(dc);
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (FBitmap->Handle()) FOldBitmap = SelectObject(dc, FBitmap->Handle());
    SetHandle(dc);
  }

 private:
  TBitmap* FBitmap;
  HGDIOBJ FOldBitmap = nullptr;
};

ZU_PUBLISHED(TBitmap, "Graphics") {}

TBitmap::TBitmap() : FCanvas(std::make_unique<TBitmapCanvas>(this)) {}

TBitmap::~TBitmap() {
  FCanvas.reset();
  DeleteObject(FHandle);
}

TCanvas* TBitmap::Canvas() { return FCanvas.get(); }

void TBitmap::Replace(HBITMAP bitmap) {
  FCanvas->FreeContext();
  if (FHandle != bitmap) DeleteObject(FHandle);
  FHandle = bitmap;
  BITMAP info;
  if (GetObjectA(bitmap, sizeof info, &info)) {
    FWidth = info.bmWidth;
    FHeight = info.bmHeight;
    FMono = info.bmBitsPixel == 1;
  }
  Changed();
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  if (!width || !height) {
    FCanvas->FreeContext();
    DeleteObject(FHandle);
    FHandle = nullptr;
    FWidth = width;
    FHeight = height;
    Changed();
    return;
  }
  HBITMAP bitmap = CreateBitmap(width, height, 1, FMono ? 1 : 32, nullptr);
  TBitmapPixels to, from;
  GetBitmapPixels(bitmap, &to);
  bool keep = GetBitmapPixels(FHandle, &from);
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), 0x00FFFFFFu);
    if (keep && y < from.height) GetPixelRow(from, 0, y, std::min(from.width, width), row.data());
    SetPixelRow(to, 0, y, width, row.data());
  }
  Replace(bitmap);
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == FHandle) return;
  if (!bitmap) {
    SetSize(0, 0);
    return;
  }
  Replace(bitmap);
}

HBITMAP TBitmap::ReleaseHandle() {
  FCanvas->FreeContext();
  HBITMAP bitmap = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  Changed();
  return bitmap;
}

void TBitmap::SetMonochrome(bool value) {
  if (value == FMono) return;
  if (Empty()) {
    FMono = value;
    return;
  }
  HDC source = Canvas()->Handle();  // background colour = the brush colour
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP converted = CreateBitmap(FWidth, FHeight, 1, value ? 1 : 32, nullptr);
  HGDIOBJ old = SelectObject(dc, converted);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, 0, 0, FWidth, FHeight, source, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  Replace(converted);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    SetSize(0, 0);
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(Source);
  if (!other) return TPersistent::Assign(Source);
  if (other == this) return;
  if (other->Empty()) {
    FMono = other->FMono;
    SetSize(other->FWidth, other->FHeight);
    return;
  }
  TBitmapPixels from, to;
  GetBitmapPixels(other->FHandle, &from);
  HBITMAP copy = CreateBitmap(from.width, from.height, 1, from.monochrome ? 1 : 32, nullptr);
  GetBitmapPixels(copy, &to);
  if (from.monochrome)
    std::memcpy(to.packed, from.packed, size_t(from.rowBytes) * size_t(from.height));
  else
    std::memcpy(to.bits, from.bits, size_t(from.stride) * size_t(from.height) * 4);
  Replace(copy);
}

void TBitmap::SaveToStream(TStream& stream) {
  std::string bytes = EncodeBmp(FHandle);
  stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

void TBitmap::LoadFromStream(TStream& stream) {
  // The file header tells the length, so a bitmap may be followed by other data.
  char header[14];
  if (stream.Read(header, sizeof header) != int32_t(sizeof header))
    throw EInvalidGraphic("Bitmap image is not valid");
  uint32_t size = uint32_t(uint8_t(header[2])) | uint32_t(uint8_t(header[3])) << 8 |
                  uint32_t(uint8_t(header[4])) << 16 | uint32_t(uint8_t(header[5])) << 24;
  int64_t available = stream.Size() - stream.Position() + int64_t(sizeof header);
  if (size < sizeof header || int64_t(size) > available) throw EInvalidGraphic("Bitmap image is not valid");
  std::string bytes = LoaderBuffer(size);
  std::memcpy(bytes.data(), header, sizeof header);
  stream.ReadBuffer(bytes.data() + sizeof header, int32_t(size - sizeof header));
  Replace(DecodeBmp(bytes.data(), bytes.size()));
}

void TBitmap::LoadFromPngFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  std::string bytes = LoaderBuffer(size_t(stream.Size()));
  stream.ReadBuffer(bytes.data(), int32_t(bytes.size()));
  Replace(DecodePng(bytes.data(), bytes.size()));
}

void TBitmap::SaveToPngFile(const std::string& fileName) {
  std::string bytes = EncodePng(FHandle);
  TFileStream stream(fileName, fmCreate);
  stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty()) return;
  StretchBlt(canvas->Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
             Canvas()->Handle(), 0, 0, FWidth, FHeight, DWORD(canvas->CopyMode));
}

// ---- TIcon ----

ZU_PUBLISHED(TIcon, "Graphics") {}

TIcon::TIcon() : FImage(std::make_unique<TBitmap>()), FMask(std::make_unique<TBitmap>()) {
  FMask->SetMonochrome(true);
}

TIcon::~TIcon() = default;

void TIcon::SetWidth(int32_t value) {
  FImage->SetWidth(value);
  FMask->SetWidth(value);
  Changed();
}

void TIcon::SetHeight(int32_t value) {
  FImage->SetHeight(value);
  FMask->SetHeight(value);
  Changed();
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) {
    FImage->Assign(nullptr);
    FMask->SetSize(0, 0);
    Changed();
    return;
  }
  auto* other = dynamic_cast<TIcon*>(Source);
  if (!other) return TPersistent::Assign(Source);
  if (other == this) return;
  FImage->Assign(other->FImage.get());
  FMask->Assign(other->FMask.get());
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  FImage->SaveToStream(stream);
  FMask->SaveToStream(stream);
}

void TIcon::LoadFromStream(TStream& stream) {
  FImage->LoadFromStream(stream);
  FMask->LoadFromStream(stream);
  Changed();
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty()) return;
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC dc = canvas->Handle();
  HDC image = FImage->Canvas()->Handle();
  if (FMask->Empty() || FMask->Width() != Width() || FMask->Height() != Height()) {
    StretchBlt(dc, rect.left, rect.top, w, h, image, 0, 0, Width(), Height(), SRCCOPY);
    return;
  }
  HDC mask = FMask->Canvas()->Handle();
  // The surface keeps its pixels under white mask pixels: (surface AND mask) OR (image AND NOT mask),
  // with the mask read as black for 0 and white for 1.
  COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
  StretchBlt(dc, rect.left, rect.top, w, h, mask, 0, 0, Width(), Height(), SRCAND);
  TBitmap cut;
  cut.Assign(FImage.get());
  HDC cutDC = cut.Canvas()->Handle();
  SetTextColor(cutDC, RGB(0, 0, 0));
  SetBkColor(cutDC, RGB(255, 255, 255));
  BitBlt(cutDC, 0, 0, Width(), Height(), mask, 0, 0, 0x00220326);  // destination AND NOT source
  StretchBlt(dc, rect.left, rect.top, w, h, cutDC, 0, 0, Width(), Height(), SRCPAINT);
  SetTextColor(dc, text);
  SetBkColor(dc, back);
}

}  // namespace zu
