// TGraphic and its images: TBitmap (1-bit or 32-bit pixels with a canvas) and TIcon.
#pragma once

#include <memory>
#include <string>

#include "platform/classes/Streams.h"
#include "platform/graphics/Canvas.h"

namespace zu {

// An image that draws itself on a canvas and is read from and written to streams and files.
class TGraphic : public TPersistent {
  ZU_CLASS(TGraphic, TPersistent)
 public:
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual void SetWidth(int32_t value) = 0;
  virtual void SetHeight(int32_t value) = 0;
  // True when the image has no pixels.
  virtual bool Empty() const = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // EFOpenError / EFCreateError when the file cannot be opened or created.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  // Called after the image changed.
  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  // Draws the image stretched into `rect` of the canvas.
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  virtual void Changed();
};

enum TPixelFormat : uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

class TBitmapCanvas;

// A bitmap of 1-bit or 32-bit pixels; empty (no handle) until it is given a size.
class TBitmap : public TGraphic {
  ZU_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  ~TBitmap() override;

  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  // Resizing keeps the pixels of the common top-left area; new pixels are white.
  void SetWidth(int32_t value) override { SetSize(value, FHeight); }
  void SetHeight(int32_t value) override { SetSize(FWidth, value); }
  void SetSize(int32_t width, int32_t height);
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }

  // A canvas that draws on the bitmap.
  TCanvas* Canvas();
  // The bitmap's handle, 0 while empty; it stays the bitmap's.
  win::HBITMAP Handle() const { return FHandle; }
  // Takes `bitmap` over (size and depth from it; 0 empties the bitmap).
  void SetHandle(win::HBITMAP bitmap);
  // Gives the handle up to the caller, leaving the bitmap empty.
  win::HBITMAP ReleaseHandle();

  bool Monochrome() const { return FMono; }
  // To 1 bit: pixels equal to the canvas's brush colour become white, all others black.
  // From 1 bit: black stays black and white white.
  void SetMonochrome(bool value);
  TPixelFormat PixelFormat() const { return FMono ? pf1bit : pf32bit; }
  // pf1bit converts as SetMonochrome(true); every other format gives 32-bit pixels.
  void SetPixelFormat(TPixelFormat value) { SetMonochrome(value == pf1bit); }

  // Copies another bitmap's pixels and depth; null empties the bitmap; other sources raise
  // EConvertError.
  void Assign(TPersistent* Source) override;

  // BMP in streams and files (1-bit stays 1-bit); EInvalidGraphic for an unreadable image.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // PNG files; EInvalidGraphic for an unreadable image, EFOpenError / EFCreateError for files.
  void LoadFromPngFile(const std::string& fileName);
  void SaveToPngFile(const std::string& fileName);

 protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  void Replace(win::HBITMAP bitmap);
  win::HBITMAP FHandle = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FMono = false;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon: an image with a mask whose white pixels leave the surface as it was.
class TIcon : public TGraphic {
  ZU_CLASS(TIcon, TGraphic)
 public:
  TIcon();
  ~TIcon() override;
  int32_t Width() const override { return FImage->Width(); }
  int32_t Height() const override { return FImage->Height(); }
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  bool Empty() const override { return FImage->Empty(); }
  // The colour image and the 1-bit mask (white: transparent); both kept the same size.
  TBitmap* Image() const { return FImage.get(); }
  TBitmap* Mask() const { return FMask.get(); }
  void Assign(TPersistent* Source) override;
  // The image as BMP followed by the mask as BMP.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  std::unique_ptr<TBitmap> FImage;
  std::unique_ptr<TBitmap> FMask;
};

}  // namespace zu
