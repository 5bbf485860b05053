// TComponent: an object with an owner, a name and a place in a tree that stored form data
// describes. The owner frees the components it owns (the last created first); components tell
// each other when one of them goes (Notification), and form data is read into and written from
// the tree (ReadState, WriteState, Loaded, GetChildren).
//
// C++ constructs and destroys bases before and after their derived parts, so two moments
// differ from a language whose objects have their final class throughout:
// - opInsert is sent from TComponent's constructor, while the new component is not yet of its
//   final class; receivers may only keep or compare the pointer.
// - ~TComponent frees the owned components and sends opRemove after the derived destructors
//   ran. A class whose Notification override must see its owned components go calls
//   DestroyComponents() at the start of its own destructor.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/runtime/persistent.h"

namespace vcl {

class TComponent;
class TReader;
class TWriter;

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating,
  csFixups, csFreeNotification, csInline, csDesignInstance
};

// A set of TComponentStateItem.
class TComponentState {
 public:
  constexpr TComponentState() = default;
  constexpr TComponentState(std::initializer_list<TComponentStateItem> items) {
    for (TComponentStateItem item : items) bits_ |= Bit(item);
  }
  constexpr bool Contains(TComponentStateItem item) const { return (bits_ & Bit(item)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TComponentState& Include(TComponentStateItem item) { bits_ |= Bit(item); return *this; }
  constexpr TComponentState& Exclude(TComponentStateItem item) { bits_ &= ~Bit(item); return *this; }
  constexpr uint16_t Bits() const { return bits_; }
  static constexpr TComponentState FromBits(uint16_t bits) { TComponentState s; s.bits_ = bits & 0x7FF; return s; }
  friend constexpr bool operator==(TComponentState a, TComponentState b) { return a.bits_ == b.bits_; }

 private:
  static constexpr uint16_t Bit(TComponentStateItem item) { return uint16_t(1u << item); }
  uint16_t bits_ = 0;
};

using TGetChildProc = std::function<void(TComponent* child)>;

class TComponent : public TPersistent {
  VCL_CLASS(TComponent, TPersistent)
  // Joins `owner` (when given), which then frees this component.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // An empty name or a valid identifier, unique among the owner's components (compared
  // without case): EComponentError "'%s' is not a valid component name" or
  // "A component named %s already exists". Renaming also moves the owner's published field.
  virtual void SetName(const std::string& newName);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t value) { tag_ = value; }
  TComponentState ComponentState() const { return state_; }
  // Where a designer shows a component that has no window: left in the low 16 bits, top in
  // the high 16 bits. Form data stores the two halves as "Left" and "Top".
  int32_t DesignInfo() const { return designInfo_; }
  void SetDesignInfo(int32_t value) { designInfo_ = value; }

  // The owned components in the order they joined. Components(i) outside 0..Count-1 raises
  // EListError "List index out of bounds (%d)".
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  // The position in the owner's list (-1 without owner); setting moves it there.
  int ComponentIndex() const;
  void SetComponentIndex(int value);
  // The owned component of that name (compared without case), or nullptr for none or "".
  TComponent* FindComponent(std::string_view name) const;

  // Takes a component over from its current owner.
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees the owned components, the last first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();

  // Asks to be told (Notification opRemove) when `component` is destroyed, and tells it in
  // turn; components of one owner need not ask, the owner tells them anyway.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Design mode, inline (frame) and update marks; designing reaches owned components too.
  void SetDesigning(bool value, bool setChildren = true);
  void SetInline(bool value);
  void Updating() { state_.Include(csUpdating); }
  void Updated() { state_.Exclude(csUpdating); }

  // The visual parent as form data nests it (controls override these; components have none).
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* value) {}
  // The components written nested inside this one. Here: when this is the root being written,
  // the owned components that have no parent. Windowed controls list their child controls
  // owned by `root`; a form adds its components without parent.
  virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
  // Where the components read inside this one go: their parent (this) and their owner
  // (nullptr: the root being read).
  virtual TComponent* GetChildParent() { return this; }
  virtual TComponent* GetChildOwner() { return nullptr; }

  std::string GetNamePath() override { return name_; }
  // The designer position as "Left" and "Top", when not 0 (or not the ancestor's).
  void DefineProperties(TFiler* filer) override;

 protected:
  // Called once after the whole form data of the tree was read and references were fixed;
  // clears csLoading. Overrides call the inherited one.
  virtual void Loaded();
  // Told when a component joins or leaves the owner, or one asked for is destroyed. The base
  // drops a destroyed component from the free-notification lists and passes the news on to
  // every owned component.
  virtual void Notification(TComponent* component, TOperation operation);
  // Checks that `component` (owned by this) may be renamed to `newName`.
  virtual void ValidateRename(TComponent* component, const std::string& curName, const std::string& newName);
  // Reads this component's properties and children from form data; writes them.
  virtual void ReadState(TReader* reader);
  virtual void WriteState(TWriter* writer);

  void SetComponentState(TComponentState state) { state_ = state; }

 private:
  friend class TReader;
  friend class TWriter;

  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);
  // Points the owner's published field of this component's name at it (or clears it).
  void SetReference(bool enable);
  // Raises when `owner`'s field of that name cannot hold this component.
  void CheckReference(TComponent* owner, const std::string& name) const;

  TComponent* owner_ = nullptr;
  std::string name_;
  int32_t tag_ = 0;
  int32_t designInfo_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

// The component a dotted name path leads to from `root`: the first step is a component of
// `root` (or `root` itself by its name), each further step a component of the one before;
// nullptr when a step is missing.
TComponent* FindNestedComponent(TComponent* root, std::string_view path);

}  // namespace vcl
