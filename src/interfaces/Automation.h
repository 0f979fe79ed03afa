#pragma once
// The automation object of an engine object, as the engine object sees it. The control, its
// diagrams, traces and markers hand out their automation objects (GetAutomationInterface);
// scripts hold them as long as they like, so an automation object may outlive the engine
// object it speaks for. The engine object keeps its automation object in a CAutomationSlot,
// which unbinds it when the engine object goes: from then on it answers E_POINTER and never
// touches the engine object again.
#include <memory>

class DiagramControlInterface;
class DiagramInterface;
class TraceInterface;

class IAutomationObject {
 public:
  virtual ~IAutomationObject() = default;
  // The engine object is going away.
  virtual void Unbind() = 0;
};

// The automation objects of the engine objects, made by the automation layer (automation/).
// Null for an object of a kind the automation layer does not know.
std::shared_ptr<IAutomationObject> MakeAutomationObject(DiagramControlInterface& control);
std::shared_ptr<IAutomationObject> MakeAutomationObject(DiagramInterface& diagram);
std::shared_ptr<IAutomationObject> MakeAutomationObject(TraceInterface& trace);
// The marker in slot `index` of the diagram's markers manager.
std::shared_ptr<IAutomationObject> MakeMarkerAutomationObject(DiagramInterface& diagram, unsigned index);

// What an engine object keeps of its automation object: made on first request, the same one
// after, unbound when the slot is released or destroyed.
class CAutomationSlot {
 public:
  CAutomationSlot() = default;
  CAutomationSlot(const CAutomationSlot&) = delete;
  CAutomationSlot& operator=(const CAutomationSlot&) = delete;
  ~CAutomationSlot() { Release(); }

  template <class TOwner>
  std::shared_ptr<IAutomationObject> Get(TOwner& owner) {
    if (object_ == nullptr && !released_) object_ = MakeAutomationObject(owner);
    return object_;
  }
  // The owner goes: its automation object answers E_POINTER from now on, and no new one is
  // made for an owner that is being destroyed.
  void Release() {
    released_ = true;
    if (std::shared_ptr<IAutomationObject> object = std::move(object_)) object->Unbind();
  }

 private:
  std::shared_ptr<IAutomationObject> object_;
  bool released_ = false;
};
