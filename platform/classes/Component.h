// TComponent: an object with an owner, a name and the components it owns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Persistent.h"

namespace zu {

enum TOperation : uint8_t { opInsert, opRemove };
ZU_ENUM(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
        csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
ZU_SET(TComponentState, TComponentStateItem)

class TComponent;
class TReader;
class TWriter;
using TGetChildProc = std::function<void(TComponent*)>;

class TComponent : public TPersistent {
  ZU_CLASS(TComponent, TPersistent)
 public:
  // Inserts the new component into AOwner's list (AOwner may be null: then the creator frees it).
  explicit TComponent(TComponent* AOwner);
  // Notifies those that asked for free notification, destroys the owned components, and leaves the owner.
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), or null; null for an empty name.
  TComponent* FindComponent(const std::string& name) const;

  const std::string& Name() const { return FName; }
  // Raises EComponentError for a name that is no identifier or that another component of the
  // owner already has.
  virtual void SetName(const std::string& value);
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t value) { FTag = value; }
  TComponentState ComponentState() const { return FComponentState; }

  // Takes AComponent over from its previous owner; every owned component is notified (opInsert).
  void InsertComponent(TComponent* AComponent);
  // Releases AComponent, which is no longer owned; every owned component is notified (opRemove).
  void RemoveComponent(TComponent* AComponent);
  // Destroys every owned component, last first.
  void DestroyComponents();
  // Marks this component as being destroyed (csDestroying), for itself and what it owns.
  void Destroying();

  // AComponent will be told (opRemove) when this component is destroyed, and the other way round.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TPersistent* GetOwner() const override { return FOwner; }
  std::string GetNamePath() const override { return FName; }

  // Called after streaming has set every property of the component.
  virtual void Loaded();
  void SetLoading(bool loading);

  // Streaming hooks. The components written inside this one: by default those it owns, in order.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  // The owner of the components read inside this one: itself by default.
  virtual TComponent* GetChildOwner() { return this; }
  // The parent of the components read inside this one (TReader::Parent while they read): itself by default.
  virtual TComponent* GetChildParent() { return this; }
  // Puts Child at position Order among this component's children; the base keeps no order and does nothing.
  virtual void SetChildOrder(TComponent* /*Child*/, int /*Order*/) {}
  // Reads this component's properties and children from Reader; writes them to Writer.
  virtual void ReadState(TReader& Reader);
  virtual void WriteState(TWriter& Writer);
  // Streams the design position of a component without one of its own (Left and Top of a
  // non-visual component on a form), kept when not zero.
  void DefineProperties(TFiler* Filer) override;
  int32_t DesignLeft = 0;
  int32_t DesignTop = 0;

 protected:
  // Called for every insertion into and removal from the owner, and for free notifications.
  // The base forwards the call to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  TComponentState FComponentState;

 private:
  friend class TReader;  // marks what it reads with csReading
  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void ValidateRename(TComponent* c, const std::string& curName, const std::string& newName) const;
  // Points the owner's published field named like this component at it (Enable), or clears the
  // field when it still points here; a field of an unrelated class is left alone.
  void SetReference(bool Enable);

  TComponent* FOwner = nullptr;
  std::string FName;
  int32_t FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// True for a valid identifier: a letter or "_", then letters, digits and "_".
bool IsValidIdent(const std::string& ident);

}  // namespace zu
