// zu3DCol: components holding the three colours of 3D frames; Tzu3DColors is the process-wide one.
#pragma once

#include <cstdint>

#include "lib/types/zuTypes.h"
#include "platform/classes/Component.h"
#include "platform/graphics/Graphics.h"

namespace zu {

// A colour scheme that becomes the process-wide one only through MakeGlobal.
class Tzu3DLocalColors : public TComponent {
  ZU_CLASS(Tzu3DLocalColors, TComponent)
 public:
  explicit Tzu3DLocalColors(TComponent* AOwner);
  // Clears zuGlobalData.Global3DColors, whatever it holds.
  ~Tzu3DLocalColors() override;

  TColor DkShadow() const { return FDkShadow; }
  void SetDkShadow(TColor Value) { FDkShadow = Value; }
  TColor Highlight() const { return FHighlight; }
  void SetHighlight(TColor Value) { FHighlight = Value; }
  TColor Shadow() const { return FShadow; }
  void SetShadow(TColor Value) { FShadow = Value; }
  uint8_t ShadowShift() const { return FShadowShift; }
  uint8_t HighlightShift() const { return FHighlightShift; }
  void SetShadowShift(uint8_t Value) { FShadowShift = Value; }
  void SetHighlightShift(uint8_t Value) { FHighlightShift = Value; }

  // The classic frame colours and shifts of 60.
  void SetDefaults();
  // Shadow and Highlight darkened and lightened from Color (a system colour is resolved first).
  void CreateAuto3DColors(TColor Color);
  // Makes this scheme the process-wide one, remembering the previous one.
  void MakeGlobal();
  // Hands the role back to the scheme MakeGlobal found.
  void MakeLocal();

 private:
  TColor FDkShadow = cl3DDkShadow;
  TColor FHighlight = clBtnHighlight;
  TColor FShadow = clBtnShadow;
  uint8_t FShadowShift = 60;
  uint8_t FHighlightShift = 60;
  TComponent* FPreviousGlobal = nullptr;
};

// The process-wide scheme: registers itself on creation and refuses any scheme component put into
// the same owner after it.
class Tzu3DColors : public Tzu3DLocalColors {
  ZU_CLASS(Tzu3DColors, Tzu3DLocalColors)
 public:
  explicit Tzu3DColors(TComponent* AOwner);

 protected:
  // Raises Exception "Cannot create more than one instance of Tzu3DLocalColors component" when
  // another scheme component is inserted into the owner.
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

// Puts Tzu3DColors on the component palette page "Roviv".
void Register();
// Registers both classes by name.
void Register3DColorClasses();

}  // namespace zu
