#include "support/TableCheck.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <limits>

#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/HostServices.h"
#include "dialworks/host/ManualHost.h"

namespace dw {

namespace {

struct TEntry {
  std::string Path;
  const TPropInfo* Prop;
};

std::unique_ptr<TPersistent> Fresh(const TClassInfo& AClass) { return AClass.Create(); }

std::vector<TEntry> ValueEntries(TPersistent& ARoot) {
  std::vector<TEntry> result;
  ForEachReachable(ARoot, [&](const TVisit& v) {
    if (!v.Object) return;
    for (const auto& p : v.Object->ClassInfo().Properties())
      if (p->IsValue()) result.push_back({v.Path.empty() ? p->Name() : v.Path + "." + p->Name(), p.get()});
  });
  return result;
}

double AsDouble(const TPropValue& AValue) { return AValue.is_number() ? AValue.get<double>() : std::nan(""); }

// A valid value different from the current one, or null when the entry has no other value.
TPropValue Candidate(const TPropInfo& AProp, const TPersistent& AObject, const TPropValue& ACurrent) {
  auto [lo, hi] = AProp.Range(AObject);
  bool ranged = AProp.Policy() == TBadInput::Limit || AProp.Policy() == TBadInput::Refuse ||
                AProp.Policy() == TBadInput::Fold;
  switch (AProp.Kind()) {
    case TPropKind::Bool:
      return !ACurrent.get<bool>();
    case TPropKind::Integer:
    case TPropKind::Cardinal: {
      double cur = AsDouble(ACurrent);
      double next = cur + 1;
      if (ranged && !(next <= hi && next >= lo)) next = cur - 1;
      if (ranged && !(next <= hi && next >= lo)) return nullptr;
      if (AProp.Kind() == TPropKind::Cardinal) {
        if (next < 0) return nullptr;
        return static_cast<uint64_t>(next);
      }
      return static_cast<int64_t>(next);
    }
    case TPropKind::Real:
    case TPropKind::Single: {
      double cur = AsDouble(ACurrent);
      double next = ranged ? lo + (hi - lo) * 0.375 : cur + 1.25;
      if (next == cur) next = ranged ? lo + (hi - lo) * 0.625 : cur - 1.25;
      if (AProp.Kind() == TPropKind::Single) next = SingleToShortestDouble(static_cast<float>(next));
      return next;
    }
    case TPropKind::Enum: {
      const TEnumInfo* e = AProp.Enum();
      if (!e || e->Members.size() < 2 || !ACurrent.is_string()) return nullptr;
      int i = e->IndexOf(ACurrent.get<std::string>());
      return e->Members[size_t(i + 1) % e->Members.size()];
    }
    case TPropKind::Color: {
      TAlphaColor c = 0;
      ColorFromText(ACurrent.get<std::string>(), c);
      return ColorToText(c ^ 0x01020304u);
    }
    case TPropKind::String:
      return ACurrent.get<std::string>() + "x\"\xC3\xA9";
    default:
      return nullptr;
  }
}

// Numbers compare by value (a setter may hand back 1.0 for 1).
bool Same(const TPropValue& a, const TPropValue& b) {
  if (a.is_number() && b.is_number()) return a.get<double>() == b.get<double>();
  return a == b;
}

std::string Text(const TPropValue& AValue) { return PropValueToJson(AValue).dump(); }

// Loads AJson into a new instance of AClass the way a form does.
std::unique_ptr<TPersistent> Reload(const TClassInfo& AClass, const TJson& AJson, std::string& AError) {
  std::unique_ptr<TPersistent> obj = Fresh(AClass);
  auto* comp = dynamic_cast<TComponent*>(obj.get());
  if (comp) comp->SetLoading(true);
  if (!LoadProperties(*obj, AJson, &AError)) return nullptr;
  CallLoaded(*obj);
  return obj;
}

uint64_t Repaints(TPersistent& ARoot) {
  auto* host = dynamic_cast<TManualHost*>(&HostServices());
  auto* control = dynamic_cast<TKVBasicControl*>(&ARoot);
  return host && control ? host->RepaintCount(*control) : 0;
}

}  // namespace

std::vector<std::string> CheckClassTables(const TClassInfo& AClass) {
  std::vector<std::string> faults;
  if (!AClass.CanCreate()) return faults;
  std::unique_ptr<TPersistent> root = Fresh(AClass);
  auto fault = [&](const TEntry& e, const std::string& what) {
    faults.push_back(AClass.Name() + ": " + e.Path + " (" + PropKindName(e.Prop->Kind()) + "): " + what);
  };

  // Listener that counts notifications about objects of the instance being checked.
  const TPersistent* watched = nullptr;
  int notifications = 0;
  TPropertyChangeSubscription sub([&](TPersistent& o, std::string_view, TPropertyChangePhase) {
    if (watched) {
      bool inside = false;
      ForEachReachable(const_cast<TPersistent&>(*watched), [&](const TVisit& v) { inside |= v.Object == &o; });
      if (inside) ++notifications;
    }
  });

  for (const TEntry& e : ValueEntries(*root)) {
    auto loc = FindPropertyPath(*root, e.Path);
    if (!loc || !loc->Prop) {
      fault(e, "path does not resolve");
      continue;
    }
    TPersistent& obj = *loc->Object;
    const TPropInfo& p = *loc->Prop;
    TPropValue current = p.Get(obj);
    TPropValue def = p.Default(obj);

    // Defaults.
    if (!Same(current, def)) fault(e, "new object has " + Text(current) + ", table default is " + Text(def));
    if (p.Kind() == TPropKind::Enum && !def.is_string()) fault(e, "default is not a member");
    if ((p.Policy() == TBadInput::Limit || p.Policy() == TBadInput::Refuse) && !p.HasDynamicRange()) {
      double d = AsDouble(def);
      if (!(d >= p.Lo() && d <= p.Hi())) fault(e, "default " + Text(def) + " lies outside its range");
    }
    if (p.IsStored(obj) && !p.AlwaysStored()) fault(e, "stored although it has its default value");

    // Assigning the current value notifies nothing.
    watched = root.get();
    notifications = 0;
    uint64_t repaints = Repaints(*root);
    p.Set(obj, current);
    if (notifications != 0) fault(e, "assigning the unchanged value notified listeners");
    if (Repaints(*root) != repaints) fault(e, "assigning the unchanged value asked for a repaint");
    if (!Same(p.Get(obj), current)) fault(e, "assigning the unchanged value changed it");
    watched = nullptr;

    // Round trip of a changed value.
    TPropValue cand = Candidate(p, obj, current);
    if (!cand.is_null()) {
      std::unique_ptr<TPersistent> a = Fresh(AClass);
      auto la = FindPropertyPath(*a, e.Path);
      la->Prop->Set(*la->Object, cand);
      TPropValue got = la->Prop->Get(*la->Object);
      if (Same(got, current)) {
        if (p.Policy() != TBadInput::Limit || !p.HasDynamicRange())
          fault(e, "setter ignored the valid value " + Text(cand));
      } else if (la->Prop->IsStored(*la->Object)) {
        TJson saved = SaveProperties(*a);
        std::string error;
        std::unique_ptr<TPersistent> b = Reload(AClass, saved, error);
        if (!b) {
          fault(e, "saved form does not load: " + error);
        } else {
          auto lb = FindPropertyPath(*b, e.Path);
          if (!lb || !Same(lb->Prop->Get(*lb->Object), got))
            fault(e, "value " + Text(got) + " did not survive save and load");
          // Loaded may settle coupled values once (a value limited to a new range); from then on
          // save -> load -> save must give the same text.
          TJson again = SaveProperties(*b);
          std::unique_ptr<TPersistent> c2 = Reload(AClass, again, error);
          if (!c2 || SaveProperties(*c2) != again) fault(e, "save -> load -> save differs");
        }
      }
    }

    // Bad input.
    if (p.Kind() != TPropKind::Integer && p.Kind() != TPropKind::Cardinal && p.Kind() != TPropKind::Real &&
        p.Kind() != TPropKind::Single)
      continue;
    std::vector<TPropValue> bad;
    const double inf = std::numeric_limits<double>::infinity();
    const double fltMax = std::numeric_limits<float>::max();  // written as a text a little above it
    if (p.Kind() == TPropKind::Integer) bad = {int64_t(INT32_MIN), int64_t(INT32_MAX)};
    else if (p.Kind() == TPropKind::Cardinal) bad = {uint64_t(0), uint64_t(UINT32_MAX)};
    else if (p.Kind() == TPropKind::Single) bad = {std::nan(""), inf, -inf, 3e38, -3e38, fltMax, -fltMax};
    else bad = {std::nan(""), inf, -inf, 1e300, -1e300};
    std::unique_ptr<TPersistent> c = Fresh(AClass);
    auto lc = FindPropertyPath(*c, e.Path);
    for (const TPropValue& v : bad) {
      // Single values read back as their shortest decimal text: compare them as floats.
      auto read = [&] {
        double d = AsDouble(lc->Prop->Get(*lc->Object));
        return p.Kind() == TPropKind::Single ? double(float(d)) : d;
      };
      double before = read();
      lc->Prop->Set(*lc->Object, v);
      double after = read();
      double in = v.get<double>();
      char text[32];
      std::snprintf(text, sizeof text, "%g", in);
      std::string what = std::string("after ") + text + ": ";
      if (std::isnan(after)) {
        fault(e, what + "value is NaN");
        continue;
      }
      bool finiteKind = p.Kind() == TPropKind::Real || p.Kind() == TPropKind::Single;
      if (finiteKind && !std::isfinite(in) && p.Policy() != TBadInput::Limit && after != before)
        fault(e, what + "non-finite input was not refused");
      if (finiteKind && !std::isfinite(after)) fault(e, what + "value is not finite");
      auto [lo, hi] = lc->Prop->Range(*lc->Object);
      if (p.Kind() == TPropKind::Single) {
        lo = double(float(lo));
        hi = double(float(hi));
      }
      switch (p.Policy()) {
        case TBadInput::Limit:
          if (std::isnan(in)) {
            if (after != before) fault(e, what + "NaN was not refused");
          } else if (!(after >= lo && after <= hi)) {
            fault(e, what + "value " + std::to_string(after) + " outside the limits");
          } else if (in > hi && after != hi && !p.HasDynamicRange()) {
            fault(e, what + "not limited to the maximum");
          } else if (in < lo && after != lo && !p.HasDynamicRange()) {
            fault(e, what + "not limited to the minimum");
          }
          break;
        case TBadInput::Refuse:
          if (!(in >= lo && in <= hi) && after != before) fault(e, what + "out-of-range input was not refused");
          break;
        case TBadInput::Fold:
          if (std::isfinite(in) && !(after >= lo && after < hi)) fault(e, what + "value not folded into range");
          break;
        default:
          break;
      }
    }
    try {
      TJson saved = SaveProperties(*c);
      std::string error;
      if (!Reload(AClass, saved, error)) fault(e, "after bad input the saved object does not load: " + error);
    } catch (const std::exception& ex) {
      fault(e, std::string("after bad input saving failed: ") + ex.what());
    }
  }
  return faults;
}

}  // namespace dw
