// Persistent objects and components: the roots of every streamed object of the library.
//
// TPersistent  — anything with a property table (nested property objects, collection items,
//                components). Assign copies every published property generically through the
//                tables, so nested objects need no hand-written Assign.
// TComponent   — a TPersistent with an owner, a name, owned components and a component state
//                (loading / designing / destroying). A component created with an owner is owned by
//                it; deleting an owned component removes it from its owner first.
// TComponentRef<T> — a non-owning reference that becomes null when the component is destroyed, so
//                nothing is left dangling (elements, pins and links use it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/host/Locks.h"

namespace dw {

class TClassInfo;
class TComponent;
template <class C>
class TProps;

// In a class body: the class's property table and class information (see PropertyTable.h).
// Leaves the access at public.
#define DW_CLASS(ClassName, ParentName)                                          \
 public:                                                                         \
  using inherited = ParentName;                                                  \
  static const ::dw::TClassInfo& StaticClass();                                  \
  const ::dw::TClassInfo& ClassInfo() const override { return StaticClass(); }   \
  static void DeclareProperties(::dw::TProps<ClassName>& t);                     \
                                                                                 \
 public:

// The object a nested property object reaches its control through: the change lock every
// change-notifying assignment takes, the loading state and a full redraw.
class DW_API IKVControl {
 public:
  virtual TControlMutex& ControlLock() = 0;
  virtual bool IsLoading() const = 0;
  virtual void Invalidate() = 0;

 protected:
  ~IKVControl() = default;
};

using TChangeCallback = std::function<void()>;

class DW_API TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
  const std::string& ClassName() const;
  bool InheritsFrom(const TClassInfo& AClass) const;

  // Copies every published property of ASource whose class is this object's class or a
  // descendant of it (the properties of the common class); other sources are ignored.
  // Nested objects recurse; collections are rebuilt; pins are not copied.
  virtual void Assign(const TPersistent& ASource);

  // The lock a change-notifying assignment on this object takes (null: none) and the change
  // callback it fires after a change (the owner's callback for nested objects, a redraw for
  // controls).
  virtual TControlMutex* ChangeLock() const { return nullptr; }
  virtual void DoChanged() {}
  // True while the owning control is streamed in (setters do not limit values then).
  virtual bool IsLoading() const { return false; }
};

// What the streaming, Assign and paths need of a collection; the concrete collections
// (TLockCollection, TTypedCollection, TRXComponentElements) add typed access.
class DW_API TCollectionBase : public TPersistent {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  virtual size_t Count() const = 0;
  virtual TPersistent& ItemObject(size_t AIndex) const = 0;
  // Polymorphic collections write each item's class name ("class") in forms.
  virtual bool IsPolymorphic() const = 0;
  // The class of new items of a non-polymorphic collection; the common base otherwise.
  virtual const TClassInfo& ItemBaseClass() const = 0;
  // Creates and appends an item of AClass; nullptr (and the reason in AError) when refused.
  virtual TPersistent* AddItem(const TClassInfo& AClass, std::string* AError = nullptr) = 0;
  // Whether items of AClass may be in the list: a list that does not write classes into forms
  // holds items of its own class only (a descendant would be saved but not read back).
  virtual bool Accepts(const TClassInfo& AClass, std::string* AError = nullptr) const;
  virtual void Clear() = 0;
  // Assign: rebuilds the items as copies of the source's (same classes, Assign each).
  void Assign(const TPersistent& ASource) override;
};

enum TComponentStateFlag : uint8_t {
  csLoading = 1,
  csDesigning = 2,
  csDestroying = 4,
};
using TComponentState = uint8_t;

class TComponentRefBase;

class DW_API TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(std::string AName) { FName = std::move(AName); }

  // Owned components, in insertion order.
  size_t ComponentCount() const { return FComponents.size(); }
  TComponent& Components(size_t AIndex) const { return *FComponents.at(AIndex); }
  TComponent* FindComponent(std::string_view AName) const;
  // Takes ownership of a standalone component (designing when this one is). A null component, this one or one of its owners
  // (an ownership cycle) throws std::invalid_argument and leaves AComponent with the caller.
  TComponent& InsertComponent(std::unique_ptr<TComponent>&& AComponent);
  // Gives an owned component back to the caller (its owner becomes null).
  std::unique_ptr<TComponent> RemoveComponent(TComponent& AComponent);
  // Destroys every owned component (last first), each after its BeforeDestruction.
  void DestroyComponents();

  TComponentState ComponentState() const { return FState; }
  bool IsLoading() const override { return (FState & csLoading) != 0; }
  bool IsDesigning() const { return (FState & csDesigning) != 0; }
  bool IsDestroying() const { return (FState & csDestroying) != 0; }
  // Sets or clears csLoading (streaming does this; Loaded clears it).
  void SetLoading(bool ALoading);
  // Sets or clears csDesigning on this component and every owned component (overrides: also on
  // the components they hold otherwise, such as elements).
  virtual void SetDesigning(bool ADesigning);

  // After streaming: clears csLoading. Overrides call the inherited Loaded first.
  virtual void Loaded();
  // Called before the component is deleted by its owner, collection or form: sets
  // csDestroying and clears every TComponentRef to it. Overrides call the inherited one last.
  virtual void BeforeDestruction();

  // Deletes a component the way owners do: BeforeDestruction, then the destructor.
  static void Destroy(std::unique_ptr<TComponent> AComponent);

  // Creates a component of type T owned by AOwner and returns it.
  template <class T>
  static T& Create(TComponent& AOwner) {
    return *new T(&AOwner);
  }

 private:
  friend class TComponentRefBase;
  void ClearReferences();

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<std::unique_ptr<TComponent>> FComponents;
  std::vector<TComponentRefBase*> FReferences;
  TComponentState FState = 0;
};

// Non-owning reference to a component that clears itself when the component is destroyed.
// Not thread-safe: components are created and destroyed on the user-interface thread.
class DW_API TComponentRefBase {
 public:
  TComponentRefBase() = default;
  TComponentRefBase(const TComponentRefBase& AOther) { Attach(AOther.FTarget); }
  TComponentRefBase& operator=(const TComponentRefBase& AOther) {
    if (this != &AOther) Attach(AOther.FTarget);
    return *this;
  }
  ~TComponentRefBase() { Attach(nullptr); }

  // Called (after the reference is cleared) when the referenced component goes away.
  std::function<void()> OnFree;

 protected:
  void Attach(TComponent* ATarget);
  TComponent* FTarget = nullptr;

 private:
  friend class TComponent;
};

template <class T>
class TComponentRef : public TComponentRefBase {
 public:
  TComponentRef() = default;
  explicit TComponentRef(T* ATarget) { Set(ATarget); }
  void Set(T* ATarget) {
    Attach(ATarget);
    FTyped = ATarget;
  }
  T* Get() const { return FTarget ? FTyped : nullptr; }
  T* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }

 private:
  T* FTyped = nullptr;
};

}  // namespace dw
