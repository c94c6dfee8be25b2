#include "platform/classes/Component.h"

#include <algorithm>

#include "platform/classes/Filer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TComponent, "Classes") {
  p.property("Name", &TComponent::Name, &TComponent::SetName).stored(false);
  p.property("Tag", &TComponent::FTag).defaultValue(0);
}

bool IsValidIdent(const std::string& ident) {
  if (ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(ident[0])) return false;
  return std::all_of(ident.begin(), ident.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* AOwner) {
  if (!AOwner) return;
  try {
    AOwner->InsertComponent(this);
  } catch (...) {
    // A component refused during its insertion is half-made: it leaves the owner again, so the
    // owner never holds a pointer to an object that was not constructed.
    if (FOwner) {
      try {
        FOwner->RemoveComponent(this);
      } catch (...) {
        FOwner->Remove(this);
      }
    }
    throw;
  }
}

TComponent::~TComponent() {
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* c, const std::string& curName, const std::string& newName) const {
  if (c && !SameText(curName, newName) && FindComponent(newName))
    throw EComponentError(Format("A component named %s already exists", {newName}));
}

void TComponent::SetName(const std::string& value) {
  if (FName == value) return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError(Format("'%s' is not a valid component name", {value}));
  if (FOwner) FOwner->ValidateRename(this, FName, value);
  SetReference(false);
  FName = value;
  SetReference(true);
}

void TComponent::SetReference(bool Enable) {
  if (!FOwner || FName.empty()) return;
  const TFieldInfo* field = FOwner->ClassType()->FindField(FName);
  if (!field) return;
  if (Enable) {
    const TTypeInfo* type = field->TypeGetter ? field->TypeGetter() : nullptr;
    if (type && type->ClassType && InheritsFrom(type->ClassType)) field->Set(FOwner, this);
  } else if (field->Get(FOwner) == this) {
    field->Set(FOwner, nullptr);
  }
}

void TComponent::Insert(TComponent* c) {
  FComponents.push_back(c);
  c->FOwner = this;
  c->SetReference(true);
}

void TComponent::Remove(TComponent* c) {
  c->SetReference(false);
  c->FOwner = nullptr;
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), c), FComponents.end());
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  ValidateRename(AComponent, "", AComponent->FName);
  Insert(AComponent);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    Remove(c);
    delete c;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!FOwner || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
  if (it == FFreeNotifies.end()) return;
  FFreeNotifies.erase(it);
  AComponent->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Walk a copy: a handler may insert or remove components.
  std::vector<TComponent*> list = FComponents;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (std::find(FComponents.begin(), FComponents.end(), *it) != FComponents.end())
      (*it)->Notification(AComponent, Operation);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::GetChildren(const TGetChildProc& Proc, TComponent*) {
  std::vector<TComponent*> list = FComponents;  // a copy: the callback may insert or remove components
  for (TComponent* c : list) Proc(c);
}

void TComponent::ReadState(TReader& Reader) { Reader.ReadData(this); }

void TComponent::DefineProperties(TFiler* Filer) {
  // A class that publishes Left or Top reads and writes those instead.
  if (!GetPropInfo(ClassType(), "Left"))
    Filer->DefineProperty(
        "Left", [this](TReader& Reader) { DesignLeft = Reader.ReadInteger(); },
        [this](TWriter& Writer) { Writer.WriteInteger(DesignLeft); }, DesignLeft != 0);
  if (!GetPropInfo(ClassType(), "Top"))
    Filer->DefineProperty(
        "Top", [this](TReader& Reader) { DesignTop = Reader.ReadInteger(); },
        [this](TWriter& Writer) { Writer.WriteInteger(DesignTop); }, DesignTop != 0);
}

void TComponent::WriteState(TWriter& Writer) { Writer.WriteData(this); }

void TComponent::SetLoading(bool loading) {
  if (loading)
    FComponentState.Include(csLoading);
  else
    FComponentState.Exclude(csLoading);
}

}  // namespace zu
