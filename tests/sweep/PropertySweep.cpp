// Property sweep: every numeric, boolean and text property of every registered control, layer and
// element set to its extremes (its range's ends, NaN, the infinities, negatives, huge values,
// a long many-line text), each painted at several sizes. A property value must never crash a
// paint (the sanitizer runs of CI run the short form) nor make it slow: the report ends with the
// slowest paint as a multiple of the same control's default paint.
//
//   dw_property_sweep [--short] [--fail-ratio R] [--fail-seconds S]
//
// --short (CI) paints at 200 and 7 pixels with fewer values per property; the full sweep paints at
// 200, 7, 1 and 0. The five slowest paints are listed. Exit 1 when a paint takes more than R
// (default 100) times the default paint and more than S seconds (default 5): the goal is under
// 10 x, the failure is for paints without a bound (sanitizer builds and busy machines are slow,
// and a dial of ten thousand labelled ticks is bounded but slow at any size).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "FormRender.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

namespace {

using namespace dw;
using Clock = std::chrono::steady_clock;

struct TSlowest {
  double Ratio = 0, Seconds = 0;
  std::string What;
};

struct TSweep {
  bool Short = false;
  std::vector<int> Sizes;
  size_t Paints = 0;
  std::vector<TSlowest> Slowest;  // the five slowest against their default paint, slowest first

  void Note(double ARatio, double ASeconds, const std::function<std::string()>& AWhat) {
    if (Slowest.size() == 5 && ARatio <= Slowest.back().Ratio) return;
    Slowest.push_back({ARatio, ASeconds, AWhat()});
    std::sort(Slowest.begin(), Slowest.end(), [](const TSlowest& a, const TSlowest& b) { return a.Ratio > b.Ratio; });
    if (Slowest.size() > 5) Slowest.pop_back();
  }
};

double PaintSeconds(TKVBasicControl& AControl, int ASize) {
  AControl.SetBounds(0, 0, ASize, ASize);
  const auto start = Clock::now();
  (void)apps::RenderControl(AControl);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The default paint at each size: the best of three (the first paint also builds caches).
std::vector<double> Baseline(TKVBasicControl& AControl, const std::vector<int>& ASizes) {
  std::vector<double> out;
  for (int size : ASizes) {
    double best = 1e9;
    for (int k = 0; k < 3; ++k) best = std::min(best, PaintSeconds(AControl, size));
    out.push_back(std::max(best, 20e-6));  // timer noise floor
  }
  return out;
}

std::vector<TJson> ExtremeValues(const TPropInfo& AProp, const TPersistent& AObject, bool AShort) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<TJson> v;
  switch (AProp.Kind()) {
    case TPropKind::Bool:
      v = {true, false};
      if (AShort) v = {!AProp.Get(AObject).get<bool>()};
      break;
    case TPropKind::Integer:
      v = {INT32_MIN, -100000, -1, 0, 100000, INT32_MAX};
      if (AShort) v = {INT32_MIN, INT32_MAX};
      break;
    case TPropKind::Cardinal:
      v = {0u, 100000u, UINT32_MAX};
      if (AShort) v = {UINT32_MAX};
      break;
    case TPropKind::Real:
    case TPropKind::Single: {
      v = {nan, inf, -inf, -1e30, -100000.0, -1.0, 0.0, 1e-30, 100000.0, 1e30};
      if (AShort) v = {nan, -100000.0, 1e30};
      if (!AShort && (AProp.Policy() == TBadInput::Limit || AProp.Policy() == TBadInput::Refuse)) {
        const auto [lo, hi] = AProp.Range(AObject);
        v.push_back(lo);
        v.push_back(hi);
      }
      break;
    }
    case TPropKind::Enum:
      if (AProp.Enum() && AShort && !AProp.Enum()->Members.empty()) v = {AProp.Enum()->Members.back()};
      else if (AProp.Enum())
        for (const std::string& m : AProp.Enum()->Members) v.push_back(m);
      break;
    case TPropKind::String: {
      std::string lines;
      for (int i = 0; i < (AShort ? 300 : 3000); ++i) lines += "line " + std::to_string(i) + "\n";
      v = {lines};
      if (!AShort) v = {std::string(20000, 'W'), lines, std::string("\xff\xfe\x01")};
      break;
    }
    default: break;  // colours take any value: nothing extreme to try
  }
  return v;
}

// Sets each value property reachable from ARoot (under APrefix) to each extreme value and paints.
void SweepControl(TSweep& AS, TKVBasicControl& AControl, const std::string& AName, const std::string& APrefix) {
  const std::vector<double> base = Baseline(AControl, AS.Sizes);
  std::vector<std::pair<TPersistent*, std::string>> objects;
  ForEachReachable(AControl, [&](const TVisit& AVisit) {
    if (AVisit.Object && AVisit.Path.rfind(APrefix, 0) == 0) objects.emplace_back(AVisit.Object, AVisit.Path);
  });
  for (const auto& entry : objects) {
    TPersistent* object = entry.first;
    const std::string& path = entry.second;  // a plain reference: clang 14 cannot capture bindings
    for (const auto& prop : object->ClassInfo().Properties()) {
      if (!prop->IsValue() || (path.empty() && (prop->Name() == "Width" || prop->Name() == "Height"))) continue;
      const TPropValue original = prop->Get(*object);
      for (const TJson& value : ExtremeValues(*prop, *object, AS.Short)) {
        prop->Set(*object, PropValueFromJson(value));
        for (size_t k = 0; k < AS.Sizes.size(); ++k) {
          const double t = PaintSeconds(AControl, AS.Sizes[k]);
          ++AS.Paints;
          AS.Note(t / base[k], t, [&] {
            std::string shown = value.is_string() ? value.get<std::string>().substr(0, 12) + "..." : value.dump();
            if (value.is_number() && std::isnan(value.get<double>())) shown = "nan";
            return AName + " " + (path.empty() ? "" : path + ".") + prop->Name() + "=" + shown + " at " +
                   std::to_string(AS.Sizes[k]) + " px";
          });
        }
      }
      prop->Set(*object, original);
    }
  }
}

template <class F>
void WithControl(const TClassInfo& AClass, F&& AUse) {
  std::unique_ptr<TPersistent> object = AClass.Create();
  auto* control = dynamic_cast<TKVBasicControl*>(object.get());
  if (!control) return;
  object.release();
  std::unique_ptr<TComponent> owned(control);
  AUse(*control);
  TComponent::Destroy(std::move(owned));
}

}  // namespace

int main(int argc, char** argv) {
  TSweep sweep;
  double failRatio = 100, failSeconds = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0) sweep.Short = true;
    else if (std::strcmp(argv[i], "--fail-ratio") == 0 && i + 1 < argc) failRatio = std::atof(argv[++i]);
    else if (std::strcmp(argv[i], "--fail-seconds") == 0 && i + 1 < argc) failSeconds = std::atof(argv[++i]);
    else {
      std::fprintf(stderr, "usage: dw_property_sweep [--short] [--fail-ratio R] [--fail-seconds S]\n");
      return 2;
    }
  }
  sweep.Sizes = sweep.Short ? std::vector<int>{200, 7} : std::vector<int>{200, 7, 1, 0};
  RegisterDialworksPackage();
  TManualHost virtualHost;  // timers of the controls run in (unadvanced) virtual time
  IHostServices* previous = &HostServices();
  SetHostServices(&virtualHost);

  const auto start = Clock::now();
  std::vector<const TClassInfo*> controls, parts;
  for (const TRegistration& r : Registrations()) {
    if (!r.Class->CanCreate()) continue;
    if (r.Kind == rkComponent) controls.push_back(r.Class);
    else if (r.Kind == rkLayer || r.Kind == rkElement) parts.push_back(r.Class);
  }
  for (const TClassInfo* cls : controls) {
    WithControl(*cls, [&](TKVBasicControl& c) { SweepControl(sweep, c, cls->Name(), ""); });
    std::fprintf(stderr, "%s: %zu paints so far\n", cls->Name().c_str(), sweep.Paints);
  }
  // Layers and elements inside the first control whose element list takes them; those that no
  // list takes (layers) alone.
  for (const TClassInfo* part : parts) {
    bool placed = false;
    for (const TClassInfo* host : controls) {
      if (placed) break;
      WithControl(*host, [&](TKVBasicControl& c) {
        const TPropInfo* elements = c.ClassInfo().FindProperty("Elements");
        TCollectionBase* list = elements ? elements->Collection(c) : nullptr;
        if (!list || !list->AddItem(*part)) return;
        placed = true;
        SweepControl(sweep, c, host->Name() + "+" + part->Name(), "Elements[0]");
      });
    }
    if (!placed) WithControl(*part, [&](TKVBasicControl& c) {
      placed = true;
      SweepControl(sweep, c, part->Name(), "");
    });
    if (!placed) std::fprintf(stderr, "%s: neither an element of a control nor a control\n", part->Name().c_str());
    std::fprintf(stderr, "%s: %zu paints so far\n", part->Name().c_str(), sweep.Paints);
  }
  SetHostServices(previous);

  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%zu paints in %.1f s; the slowest against the default paint (goal: under 10 x):\n", sweep.Paints,
              seconds);
  bool failed = false;
  for (const TSlowest& s : sweep.Slowest) {
    std::printf("  %8.1f x  %7.3f s  %s\n", s.Ratio, s.Seconds, s.What.c_str());
    failed = failed || (s.Ratio > failRatio && s.Seconds > failSeconds);
  }
  if (failed) std::printf("FAILED: a paint took more than %g x the default paint and %g s\n", failRatio, failSeconds);
  return failed ? 1 : 0;
}
