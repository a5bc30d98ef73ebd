// JSON forms: components with their stored properties and the pin links between them.
//
//   {"format": "dialworks-form", "version": 1, "width": 640, "height": 480, "color": "0xFFF0F0F0",
//    "components": [{"class": "TDWAngularGauge", "name": "Speed", "left": 10, "top": 10,
//                    "properties": {"Width": 200, "Scale": {"Count": 5},
//                                   "Elements": [{"class": "TDWGaugeMinMaxHandElement", "Mode": "gmmMin"}]}}],
//    "links": [{"from": "Knob.Elements[0].StatePin", "to": "Speed.InputPin"}]}
//
// Saving writes exactly the properties whose stored rule says so, in table order; nested objects
// that store nothing are left out; pins are never properties, their links are listed under
// "links" (only links between pins of named components of the form). Save -> load -> save gives
// identical text. FormJson.h has the JSON of single objects.
//
// Loading creates each component by its registered class name, sets the loading state, applies
// the properties in table order, reads every component, then restores the links, and only then
// calls Loaded on every component and element (each component before its elements). Any fault
// refuses the whole form with one message "<JSON path>: <reason>" (e.g.
// "$.components[0].properties.Scale.Count: value 500 is outside 0..100"); nothing half-loaded is
// returned and no Loaded is called. Forms nested deeper than MaxFormNesting are refused.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"
#include "dialworks/framework/PropertyTable.h"

namespace dw {

// The root of a form: owns its components (in form order).
class DW_API TDWForm : public TComponent {
  DW_CLASS(TDWForm, TComponent)
  explicit TDWForm(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  TAlphaColor Color() const { return FColor; }
  void SetWidth(int AValue);
  void SetHeight(int AValue);
  void SetColor(TAlphaColor AValue) { FColor = AValue; }

 private:
  int FWidth = 640, FHeight = 480;
  TAlphaColor FColor = 0xFFF0F0F0;
};

// How deep objects and collections may nest below a component's "properties" (each nested object,
// collection and collection item is one level); deeper forms are refused.
constexpr int MaxFormNesting = 64;

struct DW_API TFormLoadResult {
  std::unique_ptr<TDWForm> Form;  // null on failure
  std::string Error;              // "<JSON path>: <reason>" on failure
  explicit operator bool() const { return Form != nullptr; }
};

DW_API TFormLoadResult LoadForm(std::string_view AText);
// Throws std::invalid_argument, writing nothing, for a form that would not load back: a component
// name that is not letters, digits, '_' or '-', two components of one name, or nesting deeper than
// MaxFormNesting.
DW_API std::string SaveForm(const TDWForm& AForm);

// Every nested object, collection item and pin reachable from ARoot through its tables, depth
// first in table order, with its property path relative to ARoot ("" for ARoot itself,
// "Scale", "Elements[0]", "Elements[0].StatePin").
struct DW_API TVisit {
  TPersistent* Object = nullptr;  // null for pins
  TPXPin* Pin = nullptr;
  std::string Path;
};
template <class F>
void ForEachReachable(TPersistent& ARoot, F&& AVisit, const std::string& APath = {});

// Calls Loaded on ARoot (when it is a component in the loading state) and then on every
// component reachable through its tables (elements).
DW_API void CallLoaded(TPersistent& ARoot);

// ---- template ----

template <class F>
void ForEachReachable(TPersistent& ARoot, F&& AVisit, const std::string& APath) {
  AVisit(TVisit{&ARoot, nullptr, APath});
  auto join = [&](const std::string& AName) { return APath.empty() ? AName : APath + "." + AName; };
  for (const auto& p : ARoot.ClassInfo().Properties()) {
    switch (p->Kind()) {
      case TPropKind::Object:
        if (TPersistent* o = p->Object(ARoot)) ForEachReachable(*o, AVisit, join(p->Name()));
        break;
      case TPropKind::Collection:
        if (TCollectionBase* c = p->Collection(ARoot))
          for (size_t i = 0; i < c->Count(); ++i)
            ForEachReachable(c->ItemObject(i), AVisit, join(p->Name()) + "[" + std::to_string(i) + "]");
        break;
      case TPropKind::Pin:
        if (TPXPin* pin = p->Pin(ARoot)) AVisit(TVisit{nullptr, pin, join(p->Name())});
        break;
      default:
        break;
    }
  }
}

}  // namespace dw
