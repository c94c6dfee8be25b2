#include "lib/colors3d/zu3DCol.h"

#include "lib/utils/zuUtilsBase.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/graphics/SysColors.h"

namespace zu {

ZU_PUBLISHED(Tzu3DLocalColors, "zu3DCol") {
  using T = Tzu3DLocalColors;
  p.property("DkShadow", &T::DkShadow, &T::SetDkShadow).defaultValue(cl3DDkShadow);
  p.property("Highlight", &T::Highlight, &T::SetHighlight).defaultValue(clBtnHighlight);
  p.property("Shadow", &T::Shadow, &T::SetShadow).defaultValue(clBtnShadow);
}

ZU_PUBLISHED(Tzu3DColors, "zu3DCol") {}

Tzu3DLocalColors::Tzu3DLocalColors(TComponent* AOwner) : TComponent(nullptr) {
  // Inserted here rather than by the base, so that a refused insertion still runs this class's
  // rule of leaving no process-wide scheme behind.
  try {
    if (AOwner) AOwner->InsertComponent(this);
  } catch (...) {
    if (Owner()) Owner()->RemoveComponent(this);
    zuGlobalData.Global3DColors = nullptr;
    throw;
  }
  SetDefaults();
}

Tzu3DLocalColors::~Tzu3DLocalColors() { zuGlobalData.Global3DColors = nullptr; }

void Tzu3DLocalColors::SetDefaults() {
  FDkShadow = cl3DDkShadow;
  FHighlight = clBtnHighlight;
  FShadow = clBtnShadow;
  FShadowShift = 60;
  FHighlightShift = 60;
}

void Tzu3DLocalColors::CreateAuto3DColors(TColor Color) {
  uint32_t c = static_cast<uint32_t>(Color);
  if (c & 0x80000000u) c = win::GetSysColor(static_cast<int>(c & 0xFF));
  int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  auto pack = [](int rr, int gg, int bb) {
    return static_cast<TColor>((rr & 0xFF) | ((gg & 0xFF) << 8) | ((bb & 0xFF) << 16));
  };
  FShadow = pack(Max(r - FShadowShift, 0), Max(g - FShadowShift, 0), Max(b - FShadowShift, 0));
  FHighlight =
      pack(Min(r + FHighlightShift, 255), Min(g + FHighlightShift, 255), Min(b + FHighlightShift, 255));
}

void Tzu3DLocalColors::MakeGlobal() {
  FPreviousGlobal = zuGlobalData.Global3DColors;
  zuGlobalData.Global3DColors = this;
}

void Tzu3DLocalColors::MakeLocal() { zuGlobalData.Global3DColors = FPreviousGlobal; }

Tzu3DColors::Tzu3DColors(TComponent* AOwner) : Tzu3DLocalColors(AOwner) {
  SetDefaults();
  zuGlobalData.Global3DColors = this;
}

void Tzu3DColors::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (AComponent != this && Operation == opInsert && AComponent && AComponent->Is<Tzu3DLocalColors>())
    throw Exception("Cannot create more than one instance of Tzu3DLocalColors component");
}

void Register() { RegisterComponents("Roviv", {Tzu3DColors::StaticClass()}); }

void Register3DColorClasses() {
  RegisterClasses({Tzu3DLocalColors::StaticClass(), Tzu3DColors::StaticClass()});
}

}  // namespace zu
