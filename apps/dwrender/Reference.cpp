#include "Reference.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "dialworks/Version.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/framework/Spelling.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

namespace dw::apps {

namespace {

// The classes a polymorphic collection takes, in registration order.
std::vector<const TClassInfo*> AcceptedClasses(const TCollectionBase& ACollection) {
  std::vector<const TClassInfo*> out;
  const auto* elements = dynamic_cast<const TRXComponentElements*>(&ACollection);
  for (const TClassInfo* c : RegisteredClasses()) {
    if (!c->InheritsFrom(ACollection.ItemBaseClass()) || !c->CanCreate()) continue;
    if (elements && !elements->Accepts(*c)) continue;
    out.push_back(c);
  }
  return out;
}

// A non-polymorphic collection's item class, reached through an item added to a scratch object.
TPersistent* ScratchItem(TCollectionBase& ACollection) {
  return ACollection.Count() > 0 ? &ACollection.ItemObject(0) : ACollection.AddItem(ACollection.ItemBaseClass());
}

bool IsStaticRange(const TPropInfo& AProp) {
  return (AProp.Policy() == TBadInput::Limit || AProp.Policy() == TBadInput::Refuse) && !AProp.HasDynamicRange();
}

std::string Num(double AValue) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", AValue);
  return text;
}

// ---- reference ------------------------------------------------------------------------------

struct TRow {
  std::string Path, Type, Default, Notes;
  bool operator==(const TRow&) const = default;
};

std::string Code(const std::string& AText) { return "`" + AText + "`"; }

std::string Anchor(const std::string& AName) {
  std::string a;
  for (char ch : AName) a += char(std::tolower(static_cast<unsigned char>(ch)));
  return a;
}

std::string TypeText(const TPropInfo& AProp) {
  std::string type = PropKindName(AProp.Kind());
  if (AProp.Kind() == TPropKind::Enum && AProp.Enum()) type = Code(AProp.Enum()->Name);
  return type;
}

std::string NotesText(const TPropInfo& AProp, const TPersistent& AObject) {
  std::vector<std::string> notes;
  if (!AProp.Doc().empty()) notes.push_back(AProp.Doc());
  if (AProp.Kind() == TPropKind::Enum && AProp.Enum()) {
    std::vector<std::string> members;
    for (const std::string& m : AProp.Enum()->Members) members.push_back(Code(m));
    notes.push_back("one of " + JoinNames(members));
  }
  const auto [lo, hi] = AProp.Range(AObject);
  switch (AProp.Policy()) {
    case TBadInput::Limit:
      notes.push_back(AProp.HasDynamicRange() ? "limited to a range the object gives"
                                              : "limited to " + Num(lo) + ".." + Num(hi));
      break;
    case TBadInput::Refuse: notes.push_back("values outside " + Num(lo) + ".." + Num(hi) + " are refused"); break;
    case TBadInput::Fold: notes.push_back("folded into " + Num(lo) + ".." + Num(hi)); break;
    default: break;
  }
  std::string text;
  for (const std::string& n : notes) text += (text.empty() ? "" : "; ") + n;
  return text;
}

void CollectRows(TPersistent& AObject, const std::string& APrefix, std::vector<TRow>& ARows) {
  for (const auto& p : AObject.ClassInfo().Properties()) {
    const std::string path = APrefix + p->Name();
    switch (p->Kind()) {
      case TPropKind::Object:
        if (TPersistent* nested = p->Object(AObject)) {
          ARows.push_back({path, "object " + Code(nested->ClassName()), "", NotesText(*p, AObject)});
          CollectRows(*nested, path + ".", ARows);
        }
        break;
      case TPropKind::Collection: {
        TCollectionBase* coll = p->Collection(AObject);
        if (!coll) break;
        const std::string count = coll->Count() == 0 ? "empty" : std::to_string(coll->Count()) + " items";
        if (coll->IsPolymorphic()) {
          std::vector<std::string> names;
          for (const TClassInfo* c : AcceptedClasses(*coll)) names.push_back("[" + c->Name() + "](#" + Anchor(c->Name()) + ")");
          ARows.push_back({path, "list of components", count,
                           "items name their `class`: " + (names.empty() ? std::string("none registered") : JoinNames(names))});
        } else if (TPersistent* item = ScratchItem(*coll)) {
          ARows.push_back({path, "list of " + Code(item->ClassName()), count, NotesText(*p, AObject)});
          CollectRows(*item, path + "[i].", ARows);
        }
        break;
      }
      case TPropKind::Pin:
        ARows.push_back({path, "pin", "", "named in `links`, never under `properties`"});
        break;
      default:
        ARows.push_back({path, TypeText(*p), Code(PropValueToJson(p->Get(AObject)).dump()), NotesText(*p, AObject)});
    }
  }
}

std::string Cell(std::string AText) {
  for (size_t i = AText.find('|'); i != std::string::npos; i = AText.find('|', i + 2)) AText.replace(i, 1, "\\|");
  return AText;
}

std::string Table(const std::vector<TRow>& ARows) {
  std::string out = "| Property | Type | Default | Notes |\n|---|---|---|---|\n";
  for (const TRow& r : ARows)
    out += "| " + Code(r.Path) + " | " + Cell(r.Type) + " | " + Cell(r.Default) + " | " + Cell(r.Notes) + " |\n";
  return out;
}

std::string RoleText(const TClassInfo& AClass) {
  std::vector<std::string> roles;
  for (const TRegistration& r : Registrations()) {
    if (r.Class != &AClass) continue;
    const std::string where = r.Unit.empty() ? "" : " (unit " + r.Unit + ")";
    switch (r.Kind) {
      case rkComponent: roles.push_back("control on page \"" + r.Category + "\"" + where); break;
      case rkLayer: roles.push_back("layer in \"" + r.Category + "\"" + where); break;
      case rkElement:
        roles.push_back("element of family " + Code(EnumInfoOf<TRXElementFamily>().Members.at(r.Family)) + " in \"" +
                        r.Category + "\"" + where);
        break;
      default: break;
    }
  }
  if (roles.empty()) roles.push_back("known to forms only (streaming)");
  return JoinNames(roles);
}

// ---- schema ---------------------------------------------------------------------------------

std::string CaseInsensitive(const std::string& AWord) {
  std::string out;
  for (char ch : AWord) {
    const char up = char(std::toupper(static_cast<unsigned char>(ch)));
    out += up == ch ? std::string(1, ch) : std::string("[") + up + ch + "]";
  }
  return out;
}

TJson ColourSchema() {
  std::string names;
  for (const auto& n : NamedColors()) names += (names.empty() ? "" : "|") + CaseInsensitive(n.first);
  return {{"type", "string"},
          {"description", "\"0xAARRGGBB\", \"#RRGGBB\", \"#AARRGGBB\" or a basic web colour name; forms write 0xAARRGGBB"},
          {"anyOf",
           {{{"pattern", "^0[xX][0-9A-Fa-f]{8}$"}},
            {{"pattern", "^#(?:[0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"}},
            {{"pattern", "^(?:" + names + ")$"}}}}};
}

TJson Ref(const std::string& AName) { return {{"$ref", "#/$defs/" + AName}}; }
TJson Closed(const std::string& AName) { return {{"$ref", "#/$defs/" + AName}, {"unevaluatedProperties", false}}; }

class TSchemaBuilder {
 public:
  TJson Defs = TJson::object();

  void Define(TPersistent& AObject) {
    const std::string name = AObject.ClassName();
    if (Defs.contains(name)) return;
    Defs[name] = nullptr;  // reserved: nested objects of the same class stop here
    TJson props = TJson::object();
    for (const auto& p : AObject.ClassInfo().Properties()) props[p->Name()] = Property(*p, AObject);
    Defs[name] = {{"type", "object"}, {"properties", std::move(props)}};
  }

  TJson PolymorphicItem(const std::vector<const TClassInfo*>& AClasses) {
    TJson names = TJson::array(), cases = TJson::array();
    for (const TClassInfo* c : AClasses) {
      names.push_back(c->Name());
      cases.push_back({{"if", {{"properties", {{"class", {{"const", c->Name()}}}}}, {"required", {"class"}}}},
                       {"then", Ref(c->Name())}});
    }
    TJson item = {{"type", "object"},
                  {"required", {"class"}},
                  {"properties", {{"class", {{"enum", names}}}}},
                  {"unevaluatedProperties", false}};
    if (!cases.empty()) item["allOf"] = std::move(cases);
    return item;
  }

 private:
  TJson Property(const TPropInfo& AProp, TPersistent& AObject) {
    TJson s;
    double lo = -DBL_MAX, hi = DBL_MAX;
    switch (AProp.Kind()) {
      case TPropKind::Bool: s = {{"type", "boolean"}}; break;
      case TPropKind::Integer: s = {{"type", "integer"}}; lo = INT32_MIN; hi = INT32_MAX; break;
      case TPropKind::Cardinal: s = {{"type", "integer"}}; lo = 0; hi = UINT32_MAX; break;
      case TPropKind::Real: s = {{"type", "number"}}; break;
      case TPropKind::Single: s = {{"type", "number"}}; lo = -FLT_MAX; hi = FLT_MAX; break;
      case TPropKind::Enum: s = {{"enum", AProp.Enum() ? AProp.Enum()->Members : std::vector<std::string>{}}}; break;
      case TPropKind::Color: s = Ref("colour"); break;
      case TPropKind::String: s = {{"type", "string"}}; break;
      case TPropKind::Pin: s = {{"type", "object"}, {"maxProperties", 0}}; break;
      case TPropKind::Object:
        if (TPersistent* nested = AProp.Object(AObject)) {
          Define(*nested);
          s = Closed(nested->ClassName());
        }
        break;
      case TPropKind::Collection:
        if (TCollectionBase* coll = AProp.Collection(AObject)) {
          if (coll->IsPolymorphic()) {
            // The item classes are registered classes: each is defined from a new object of its own.
            s = {{"type", "array"}, {"items", PolymorphicItem(AcceptedClasses(*coll))}};
          } else if (TPersistent* item = ScratchItem(*coll)) {
            Define(*item);
            TJson items = Ref(item->ClassName());
            items["properties"] = {{"class", {{"const", coll->ItemBaseClass().Name()}}}};
            items["unevaluatedProperties"] = false;
            s = {{"type", "array"}, {"items", std::move(items)}};
          }
        }
        break;
    }
    if (IsStaticRange(AProp)) {
      lo = std::max(lo, AProp.Lo());
      hi = std::min(hi, AProp.Hi());
    }
    if (AProp.IsValue() && AProp.Kind() != TPropKind::Bool && AProp.Kind() != TPropKind::Enum &&
        AProp.Kind() != TPropKind::Color && AProp.Kind() != TPropKind::String) {
      if (lo > -DBL_MAX) s["minimum"] = lo;
      if (hi < DBL_MAX) s["maximum"] = hi;
    }
    if (!AProp.Doc().empty()) s["description"] = AProp.Doc();
    return s;
  }
};

// Every property of an object written out (pins left out: links name them).
TJson FullTree(TPersistent& AObject) {
  TJson out = TJson::object();
  for (const auto& p : AObject.ClassInfo().Properties()) {
    switch (p->Kind()) {
      case TPropKind::Object:
        if (TPersistent* nested = p->Object(AObject)) {
          TJson sub = FullTree(*nested);
          if (!sub.empty()) out[p->Name()] = std::move(sub);
        }
        break;
      case TPropKind::Collection:
        if (TCollectionBase* coll = p->Collection(AObject)) {
          TJson items = TJson::array();
          for (size_t i = 0; i < coll->Count(); ++i) {
            TPersistent& item = coll->ItemObject(i);
            TJson entry = TJson::object();
            if (coll->IsPolymorphic() || &item.ClassInfo() != &coll->ItemBaseClass()) entry["class"] = item.ClassName();
            entry.update(FullTree(item));
            items.push_back(std::move(entry));
          }
          out[p->Name()] = std::move(items);
        }
        break;
      case TPropKind::Pin: break;
      default: out[p->Name()] = PropValueToJson(p->Get(AObject));
    }
  }
  return out;
}

}  // namespace

void WithNewObject(const TClassInfo& AClass, const std::function<void(TPersistent&)>& AUse) {
  TManualHost host;
  // Declared after the host: put back (and the object gone) before the host is destroyed.
  struct TRestore {
    IHostServices* Previous = &HostServices();
    ~TRestore() { SetHostServices(Previous); }
  } restore;
  SetHostServices(&host);
  std::unique_ptr<TPersistent> object = AClass.Create();
  if (!object) return;
  auto* component = dynamic_cast<TComponent*>(object.get());
  // A component leaves through Destroy, also when AUse throws.
  struct TDestroy {
    std::unique_ptr<TPersistent>& Object;
    TComponent* Component;
    ~TDestroy() {
      if (Component) {
        Object.release();
        TComponent::Destroy(std::unique_ptr<TComponent>(Component));
      }
    }
  } destroy{object, component};
  AUse(*object);
}

std::string ReferenceMarkdown() {
  RegisterDialworksPackage();
  std::string out =
      "# Property reference\n\n"
      "Generated by `dwrender --doc` from the registry and the property tables; do not edit (a test "
      "compares it with a fresh one).\n\n"
      "Every registered class with the property paths a form (`\"properties\"`) or `--set Path=Value` uses, "
      "and the value a new object has. Colours are written `0xAARRGGBB` and read also as `#RRGGBB`, "
      "`#AARRGGBB` or a basic web colour name. `[i]` stands for an item index. Lists of components "
      "take items that name their `class`.\n\n";
  std::vector<std::pair<const TClassInfo*, std::vector<TRow>>> done;
  std::string index, body;
  for (const TClassInfo* cls : RegisteredClasses()) {
    if (!cls->CanCreate()) continue;
    std::vector<TRow> rows;
    WithNewObject(*cls, [&](TPersistent& o) { CollectRows(o, "", rows); });
    index += "- [" + cls->Name() + "](#" + Anchor(cls->Name()) + "): " + RoleText(*cls) + "\n";
    body += "## " + cls->Name() + "\n\n" + RoleText(*cls) + ".\n\n";
    // Shown as a difference from the earlier class it shares most with, when that is shorter.
    const std::vector<TRow>* best = nullptr;
    const TClassInfo* bestClass = nullptr;
    std::vector<TRow> bestChanged;
    std::vector<std::string> bestGone;
    for (const auto& [other, otherRows] : done) {
      std::vector<TRow> changed;
      std::vector<std::string> gone;
      std::set<std::string> paths;
      for (const TRow& r : rows) {
        paths.insert(r.Path);
        bool same = false;
        for (const TRow& o : otherRows) same = same || o == r;
        if (!same) changed.push_back(r);
      }
      for (const TRow& o : otherRows)
        if (!paths.count(o.Path)) gone.push_back(Code(o.Path));
      if ((changed.size() + gone.size()) * 2 < rows.size() &&
          (!best || changed.size() + gone.size() < bestChanged.size() + bestGone.size())) {
        best = &otherRows;
        bestClass = other;
        bestChanged = std::move(changed);
        bestGone = std::move(gone);
      }
    }
    if (best) {
      body += "As [" + bestClass->Name() + "](#" + Anchor(bestClass->Name()) + ")";
      if (!bestGone.empty()) body += ", without " + JoinNames(bestGone);
      body += bestChanged.empty() ? ".\n\n" : "; these differ or are added:\n\n" + Table(bestChanged) + "\n";
    } else {
      body += Table(rows) + "\n";
    }
    done.emplace_back(cls, std::move(rows));
  }
  return out + "## Classes\n\n" + index + "\n" + body;
}

std::string FormSchemaText() {
  RegisterDialworksPackage();
  TSchemaBuilder b;
  b.Defs["colour"] = ColourSchema();
  TJson classNames = TJson::array(), cases = TJson::array();
  for (const TClassInfo* cls : RegisteredClasses()) {
    if (!cls->CanCreate()) continue;
    WithNewObject(*cls, [&](TPersistent& o) {
      b.Define(o);
      if (!cls->IsComponent()) return;
      classNames.push_back(cls->Name());
      TJson then = {{"properties", {{"properties", Closed(cls->Name())}}}};
      if (!dynamic_cast<TRXTransparentControl*>(&o)) then["properties"].update({{"left", false}, {"top", false}});
      cases.push_back(
          {{"if", {{"properties", {{"class", {{"const", cls->Name()}}}}}, {"required", {"class"}}}}, {"then", then}});
    });
  }
  const TJson size = {{"type", "integer"}, {"minimum", 0}, {"maximum", TRXTransparentControl::MaxSize}};
  const TJson position = {{"type", "integer"}, {"minimum", INT32_MIN}, {"maximum", INT32_MAX}};
  b.Defs["component"] = {
      {"type", "object"},
      {"required", {"class"}},
      {"properties",
       {{"class", {{"enum", classNames}}},
        {"name", {{"type", "string"}, {"pattern", "^(?:[A-Za-z0-9_-]|[^\\x00-\\x7F])+$"}}},
        {"left", position},
        {"top", position},
        {"properties", {{"type", "object"}}}}},
      {"additionalProperties", false},
      {"allOf", cases}};
  TJson schema = {
      {"$schema", "https://json-schema.org/draft/2020-12/schema"},
      {"title", "Dialworks form (" + VersionText() + ")"},
      {"description", "Generated by dwrender --schema from the registry and the property tables."},
      {"type", "object"},
      {"required", {"format", "version"}},
      {"properties",
       {{"format", {{"const", "dialworks-form"}}},
        {"version", {{"const", 1}}},
        {"width", size},
        {"height", size},
        {"color", Ref("colour")},
        {"components", {{"type", "array"}, {"items", Ref("component")}}},
        {"links",
         {{"type", "array"},
          {"items",
           {{"type", "object"},
            {"required", {"from", "to"}},
            {"properties", {{"from", {{"type", "string"}}}, {"to", {{"type", "string"}}}}},
            {"additionalProperties", false}}}}}}},
      {"additionalProperties", false},
      {"$defs", std::move(b.Defs)}};
  return schema.dump(2) + "\n";
}

bool FormTemplate(const std::string& AClassName, std::string& AJson, std::string& AError) {
  RegisterDialworksPackage();
  const TClassInfo* info = FindRegisteredClass(AClassName);
  if (!info || !info->IsComponent() || !info->CanCreate()) {
    std::vector<std::string> names;
    for (const TClassInfo* c : RegisteredClasses())
      if (c->IsComponent() && c->CanCreate()) names.push_back(c->Name());
    AError = "--template " + AClassName + ": no registered component of that name" + DidYouMean(AClassName, names);
    return false;
  }
  WithNewObject(*info, [&](TPersistent& o) {
    const auto* control = dynamic_cast<TRXTransparentControl*>(&o);
    const int margin = 10;
    TJson entry = {{"class", info->Name()}, {"name", info->Name().substr(info->Name().rfind("TDW", 0) == 0 ? 3 : 0)}};
    if (control) {
      entry["left"] = margin;
      entry["top"] = margin;
    }
    entry["properties"] = FullTree(o);
    TJson form = {{"format", "dialworks-form"},
                  {"version", 1},
                  {"width", control ? control->Width() + 2 * margin : 200},
                  {"height", control ? control->Height() + 2 * margin : 200},
                  {"color", "0xFFF0F0F0"},
                  {"components", {entry}},
                  {"links", TJson::array()}};
    AJson = form.dump(2) + "\n";
  });
  return true;
}

std::string VersionText() { return std::string("dialworks ") + DIALWORKS_VERSION; }

}  // namespace dw::apps
