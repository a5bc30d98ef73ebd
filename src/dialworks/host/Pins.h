// Data-flow pins. A source pin sends values or stream operations to the sink pins linked to it; a
// state pin both sends (Submit...) and receives; two linked state pins form a two-way link.
//
// Linking: Connect(from, to) links a sending pin (source or state) to a receiving pin (sink or
// state) of a compatible data kind (equal kinds, or real and integer with each other). Refused
// (false): a pin linked to itself, a link that already exists (for two state pins in either
// direction), a wrong direction or kind. Connect, Disconnect and sending are safe from any thread.
// A value is delivered synchronously on the sender's thread, to the linked pins in link order.
// Destroying either end disconnects it. After Disconnect (or the destructor) returns, no delivery
// over that link is running on another thread or will start, so the receiver may be destroyed;
// a delivery running on the disconnecting thread itself (disconnect from inside a callback) just
// finishes. Do not disconnect or destroy a pin while holding a lock its callback takes.
//
// Cycles: a delivery never re-enters a pin that is already sending further up the same thread's
// call chain (a state pin that answers an incoming value by submitting does not echo it back),
// and chains deeper than 32 pins are cut.
//
// Owners whose callbacks touch members declared after the pin should call DisconnectAll() at the
// start of their destructor.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/host/Buffers.h"
#include "dialworks/host/DateTime.h"

namespace dw {

class TComponent;
class TPXPin;

// ---- Operations a sender dispatches; receivers tell them apart by type (dynamic_cast). ----
struct DW_API TPXOperation {
  virtual ~TPXOperation() = default;
};
// Start and end of a stream.
struct DW_API TPXStartOperation final : TPXOperation {};
struct DW_API TPXStopOperation final : TPXOperation {};
// A range supplied for the stream's values (the spectrum display takes Max of the Real one).
template <class T>
struct TPXTypedSuppliedRangeOperation final : TPXOperation {
  T Min{}, Max{};
  TPXTypedSuppliedRangeOperation(T AMin, T AMax) : Min(AMin), Max(AMax) {}
};
// A buffer of any numeric type; valid only during the delivery (copy what you keep).
struct DW_API TPXSuppliedBufferOperation final : TPXOperation {
  const TMZBuffer& Buffer;
  explicit TPXSuppliedBufferOperation(const TMZBuffer& ABuffer) : Buffer(ABuffer) {}
};
// Single values.
struct DW_API TPXRealOperation final : TPXOperation {
  double Value;
  explicit TPXRealOperation(double AValue) : Value(AValue) {}
};
struct DW_API TPXRealRangeValueOperation final : TPXOperation {
  double Value, Min, Max;
  TPXRealRangeValueOperation(double AValue, double AMin, double AMax)
      : Value(AValue), Min(AMin), Max(AMax) {}
};
struct DW_API TPXIntegerOperation final : TPXOperation {
  int64_t Value;
  explicit TPXIntegerOperation(int64_t AValue) : Value(AValue) {}
};
struct DW_API TPXDateTimeOperation final : TPXOperation {
  TDateTime Value;
  explicit TPXDateTimeOperation(TDateTime AValue) : Value(AValue) {}
};
struct DW_API TPXStringOperation final : TPXOperation {
  std::string_view Value;  // valid only during the delivery
  explicit TPXStringOperation(std::string_view AValue) : Value(AValue) {}
};

enum TPXPinDirection : uint8_t { pdSource, pdSink, pdState };
enum TPXDataKind : uint8_t { dkReal, dkInteger, dkDateTime, dkString, dkBuffer };

// Handlers. The ranged-real handler gets the pin, the value, the range, whether the notification
// carried a range and whether it came over a two-way link from a state pin.
using TPXRealAndRangedEvent = std::function<void(TPXPin& APin, double AValue, double AMin,
                                                 double AMax, bool AHasRange, bool ATwoWay)>;
using TPXDateTimeEvent = std::function<void(TPXPin& APin, TDateTime AValue)>;
using TPXIntegerEvent = std::function<void(TPXPin& APin, int64_t AValue)>;
using TMZStringEvent = std::function<void(TPXPin& APin, const std::string& AValue)>;
using TMZDispatchEvent = std::function<void(TPXPin& APin, const TPXOperation& AOperation)>;

// Control-hand change events: the sender (the element) and the value (with its range).
using TMZRealNotifyEvent = std::function<void(void* ASender, double AValue)>;
using TMZRealRangedNotifyEvent =
    std::function<void(void* ASender, double AValue, double AMin, double AMax)>;

class DW_API TPXPin {
 public:
  TPXPin(const TPXPin&) = delete;
  TPXPin& operator=(const TPXPin&) = delete;
  virtual ~TPXPin();

  TComponent* Owner() const { return FOwner; }
  std::string Name() const;
  void SetName(std::string AName);
  TPXPinDirection Direction() const { return FDirection; }
  TPXDataKind DataKind() const { return FKind; }
  bool CanSend() const { return FDirection != pdSink; }
  bool CanReceive() const { return FDirection != pdSource; }

  // True while at least one link exists.
  bool Connected() const;
  size_t LinkCount() const;
  // The pins at the other ends of this pin's links (a snapshot, in link order).
  std::vector<TPXPin*> LinkedPins() const;
  bool IsLinkedTo(const TPXPin& AOther) const;

  // this -> ATo; see the header comment for what is refused.
  bool Connect(TPXPin& ATo) { return Link(*this, ATo); }
  // Removes the link between the two pins (either direction); false when there was none.
  bool Disconnect(TPXPin& AOther);
  void DisconnectAll();

  static bool CanLink(const TPXPin& AFrom, const TPXPin& ATo);
  static bool Link(TPXPin& AFrom, TPXPin& ATo);

  struct TLink;

 protected:
  TPXPin(TComponent* AOwner, TPXPinDirection ADirection, TPXDataKind AKind);
  // Delivers AOperation over every link this pin can send on. Returns the number of deliveries.
  size_t Send(const TPXOperation& AOperation);
  // Called on the sender's thread for each delivered operation.
  virtual void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) = 0;
  // Called (outside all pin locks) after this pin lost its last link.
  virtual void AllLinksGone() {}
  mutable std::mutex FPinLock;  // guards the links, the name and derived handlers

 private:
  friend struct TLink;
  static void Unlink(const std::shared_ptr<TLink>& ALink);

  TComponent* FOwner;
  TPXPinDirection FDirection;
  TPXDataKind FKind;
  std::string FName;
  std::vector<std::shared_ptr<TLink>> FLinks;
};

// ---- Sources ----
class DW_API TPXRealSourcePin : public TPXPin {
 public:
  explicit TPXRealSourcePin(TComponent* AOwner = nullptr) : TPXPin(AOwner, pdSource, dkReal) {}
  ~TPXRealSourcePin() override { DisconnectAll(); }
  size_t SendValue(double AValue) { return Send(TPXRealOperation(AValue)); }

 protected:
  void Receive(TPXPin&, const TPXOperation&, bool) override {}
};

class DW_API TPXRealAndRangedSourcePin : public TPXRealSourcePin {
 public:
  using TPXRealSourcePin::TPXRealSourcePin;
  size_t SendValueRange(double AValue, double AMin, double AMax) {
    return Send(TPXRealRangeValueOperation(AValue, AMin, AMax));
  }
};

class DW_API TPXIntegerSourcePin : public TPXPin {
 public:
  explicit TPXIntegerSourcePin(TComponent* AOwner = nullptr)
      : TPXPin(AOwner, pdSource, dkInteger) {}
  ~TPXIntegerSourcePin() override { DisconnectAll(); }
  size_t SendValue(int64_t AValue) { return Send(TPXIntegerOperation(AValue)); }

 protected:
  void Receive(TPXPin&, const TPXOperation&, bool) override {}
};

class DW_API TPXDateTimeSourcePin : public TPXPin {
 public:
  explicit TPXDateTimeSourcePin(TComponent* AOwner = nullptr)
      : TPXPin(AOwner, pdSource, dkDateTime) {}
  ~TPXDateTimeSourcePin() override { DisconnectAll(); }
  size_t SendValue(TDateTime AValue) { return Send(TPXDateTimeOperation(AValue)); }

 protected:
  void Receive(TPXPin&, const TPXOperation&, bool) override {}
};

class DW_API TMZPXStringSourcePin : public TPXPin {
 public:
  explicit TMZPXStringSourcePin(TComponent* AOwner = nullptr)
      : TPXPin(AOwner, pdSource, dkString) {}
  ~TMZPXStringSourcePin() override { DisconnectAll(); }
  size_t SendValue(std::string_view AValue) { return Send(TPXStringOperation(AValue)); }

 protected:
  void Receive(TPXPin&, const TPXOperation&, bool) override {}
};

// Buffer streams: Start, any number of ranges and buffers, Stop.
class DW_API TMZPXBufferSourcePin : public TPXPin {
 public:
  explicit TMZPXBufferSourcePin(TComponent* AOwner = nullptr)
      : TPXPin(AOwner, pdSource, dkBuffer) {}
  ~TMZPXBufferSourcePin() override { DisconnectAll(); }
  size_t Start() { return Send(TPXStartOperation()); }
  size_t Stop() { return Send(TPXStopOperation()); }
  size_t SupplyRange(double AMin, double AMax) {
    return Send(TPXTypedSuppliedRangeOperation<double>(AMin, AMax));
  }
  size_t SupplyBuffer(const TMZBuffer& ABuffer) { return Send(TPXSuppliedBufferOperation(ABuffer)); }
  size_t Dispatch(const TPXOperation& AOperation) { return Send(AOperation); }

 protected:
  void Receive(TPXPin&, const TPXOperation&, bool) override {}
};

// ---- Sinks and state pins ----

// Input of the value instruments. Takes single values (real or integer) and values with a range.
// GetRangePopulated is true once a range has arrived and false again when the last link goes.
class DW_API TPXRealAndRangedSinkPin : public TPXPin {
 public:
  explicit TPXRealAndRangedSinkPin(TComponent* AOwner = nullptr, TPXRealAndRangedEvent AOnValue = {})
      : TPXRealAndRangedSinkPin(AOwner, pdSink, std::move(AOnValue)) {}
  ~TPXRealAndRangedSinkPin() override { DisconnectAll(); }
  void SetOnValue(TPXRealAndRangedEvent AOnValue);
  bool GetRangePopulated() const { return FRangePopulated.load(); }

 protected:
  TPXRealAndRangedSinkPin(TComponent* AOwner, TPXPinDirection ADirection,
                          TPXRealAndRangedEvent AOnValue)
      : TPXPin(AOwner, ADirection, dkReal), FOnValue(std::move(AOnValue)) {}
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;
  void AllLinksGone() override { FRangePopulated = false; }

 private:
  TPXRealAndRangedEvent FOnValue;
  std::atomic<bool> FRangePopulated{false};
};

// Two-way pin of a control hand: receives like the sink and sends with SubmitValueRange.
class DW_API TPXRealAndRangedStatePin final : public TPXRealAndRangedSinkPin {
 public:
  explicit TPXRealAndRangedStatePin(TComponent* AOwner = nullptr,
                                    TPXRealAndRangedEvent AOnValue = {})
      : TPXRealAndRangedSinkPin(AOwner, pdState, std::move(AOnValue)) {}
  ~TPXRealAndRangedStatePin() override { DisconnectAll(); }
  size_t SubmitValueRange(double AValue, double AMin, double AMax) {
    return Send(TPXRealRangeValueOperation(AValue, AMin, AMax));
  }
  size_t SubmitValue(double AValue) { return Send(TPXRealOperation(AValue)); }
};

class DW_API TPXDateTimeSinkPin : public TPXPin {
 public:
  explicit TPXDateTimeSinkPin(TComponent* AOwner = nullptr, TPXDateTimeEvent AOnValue = {})
      : TPXDateTimeSinkPin(AOwner, pdSink, std::move(AOnValue)) {}
  ~TPXDateTimeSinkPin() override { DisconnectAll(); }
  void SetOnValue(TPXDateTimeEvent AOnValue);

 protected:
  TPXDateTimeSinkPin(TComponent* AOwner, TPXPinDirection ADirection, TPXDateTimeEvent AOnValue)
      : TPXPin(AOwner, ADirection, dkDateTime), FOnValue(std::move(AOnValue)) {}
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;

 private:
  TPXDateTimeEvent FOnValue;
};

class DW_API TPXDateTimeStatePin final : public TPXDateTimeSinkPin {
 public:
  explicit TPXDateTimeStatePin(TComponent* AOwner = nullptr, TPXDateTimeEvent AOnValue = {})
      : TPXDateTimeSinkPin(AOwner, pdState, std::move(AOnValue)) {}
  ~TPXDateTimeStatePin() override { DisconnectAll(); }
  size_t SubmitValue(TDateTime AValue) { return Send(TPXDateTimeOperation(AValue)); }
};

// Integer input. Reals are rounded halves to even and limited to the int64 range; NaN is dropped.
class DW_API TPXIntegerSinkPin final : public TPXPin {
 public:
  explicit TPXIntegerSinkPin(TComponent* AOwner = nullptr, TPXIntegerEvent AOnValue = {})
      : TPXPin(AOwner, pdSink, dkInteger), FOnValue(std::move(AOnValue)) {}
  ~TPXIntegerSinkPin() override { DisconnectAll(); }
  void SetOnValue(TPXIntegerEvent AOnValue);

 protected:
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;

 private:
  TPXIntegerEvent FOnValue;
};

class DW_API TMZPXStringSinkPin final : public TPXPin {
 public:
  explicit TMZPXStringSinkPin(TComponent* AOwner = nullptr, TMZStringEvent AOnValue = {})
      : TPXPin(AOwner, pdSink, dkString), FOnValue(std::move(AOnValue)) {}
  ~TMZPXStringSinkPin() override { DisconnectAll(); }
  void SetOnValue(TMZStringEvent AOnValue);

 protected:
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;

 private:
  TMZStringEvent FOnValue;
};

// Buffer-stream input: every operation goes to the dispatch handler, which tells them apart by
// type (start, stop, supplied range, supplied buffer).
class DW_API TMZPXSinkPin : public TPXPin {
 public:
  explicit TMZPXSinkPin(TComponent* AOwner = nullptr, TMZDispatchEvent AOnDispatch = {})
      : TPXPin(AOwner, pdSink, dkBuffer), FOnDispatch(std::move(AOnDispatch)) {}
  ~TMZPXSinkPin() override { DisconnectAll(); }
  void SetOnDispatch(TMZDispatchEvent AOnDispatch);

 protected:
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;

 private:
  TMZDispatchEvent FOnDispatch;
};

// Buffer-stream input whose streams may carry a real range (the spectrum display's input).
// Besides dispatching, it remembers whether a range has arrived (false again without links).
class DW_API TMZPXRealRangedSinkPin final : public TMZPXSinkPin {
 public:
  using TMZPXSinkPin::TMZPXSinkPin;
  ~TMZPXRealRangedSinkPin() override { DisconnectAll(); }
  bool GetRangePopulated() const { return FRangePopulated.load(); }

 protected:
  void Receive(TPXPin& ASender, const TPXOperation& AOperation, bool ATwoWay) override;
  void AllLinksGone() override { FRangePopulated = false; }

 private:
  std::atomic<bool> FRangePopulated{false};
};

// Named pins in order, owned by the list (the matrix display's "Red", "Green", "Blue", "Alpha").
class DW_API TPXPinList {
 public:
  explicit TPXPinList(TComponent* AOwner = nullptr) : FOwner(AOwner) {}

  // Creates a pin of type P with the list's owner and the further constructor arguments.
  template <class P, class... A>
  P& Add(std::string AName, A&&... AArgs) {
    auto pin = std::make_unique<P>(FOwner, std::forward<A>(AArgs)...);
    pin->SetName(std::move(AName));
    P& result = *pin;
    FPins.push_back(std::move(pin));
    return result;
  }
  size_t Count() const { return FPins.size(); }
  // operator[] requires a valid index; Items answers nullptr for an invalid one.
  TPXPin& operator[](size_t AIndex) const { return *FPins.at(AIndex); }
  TPXPin* Items(size_t AIndex) const { return AIndex < FPins.size() ? FPins[AIndex].get() : nullptr; }
  // nullptr when no pin has that name (exact, case-sensitive).
  TPXPin* Find(std::string_view AName) const;
  int IndexOf(std::string_view AName) const;
  void Clear() { FPins.clear(); }

 private:
  TComponent* FOwner;
  std::vector<std::unique_ptr<TPXPin>> FPins;
};

}  // namespace dw
