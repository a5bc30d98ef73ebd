#include "dialworks/framework/Form.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "dialworks/framework/Control.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/framework/Spelling.h"

namespace dw {

namespace {

struct TFormError {
  std::string Message;
};

[[noreturn]] void Refuse(const std::string& APath, const std::string& AReason) {
  throw TFormError{PrintableText(APath + ": " + AReason)};
}

// Keys come from the form: a hostile one may be megabytes long.
std::string Key(const std::string& APath, const std::string& AKey) { return APath + "." + EchoText(AKey); }

// " (did you mean ...)" among the registered classes, or among the properties of AClass.
std::string NearClass(const std::string& AName) {
  std::vector<std::string> names;
  for (const TClassInfo* c : RegisteredClasses()) names.push_back(c->Name());
  return DidYouMean(AName, names);
}
std::string NearProperty(const TClassInfo& AClass, const std::string& AName) {
  std::vector<std::string> names;
  for (const auto& p : AClass.Properties()) names.push_back(p->Name());
  return DidYouMean(AName, names);
}

// The parser's message quotes the token it stopped at ("...; last read: 'TOKEN'[; expected ...]"),
// which may be most of the form: the token is shortened like any other echoed text.
std::string ParserMessage(std::string_view AWhat) {
  constexpr std::string_view mark = "; last read: '";
  const size_t at = AWhat.find(mark);
  if (at == std::string_view::npos) return EchoText(AWhat, 400);
  const size_t from = at + mark.size();
  size_t to = AWhat.rfind("'; expected ");
  if (to == std::string_view::npos || to < from) to = AWhat.size() - (AWhat.back() == '\'' ? 1 : 0);
  if (to < from) to = from;
  return EchoText(AWhat.substr(0, from), 400) + EchoText(AWhat.substr(from, to - from)) + EchoText(AWhat.substr(to), 400);
}

void LoadInto(TPersistent& AObject, const TJson& AJson, const std::string& APath, bool AIsItem, int ADepth);

// Nested objects and collections (elements inside elements) are limited, so loading, saving and
// painting never recurse deeper than that, and the paths built per level stay short.
void CheckDepth(int ADepth, const std::string& APath) {
  if (ADepth > MaxFormNesting)
    Refuse(APath, "objects and collections nested more than " + std::to_string(MaxFormNesting) + " deep");
}

// Refuses texts whose arrays and objects nest deeper than any form can (before parsing, so no
// later step recurses that deep).
void CheckJsonNesting(std::string_view AText) {
  constexpr int kMaxJsonNesting = 4 * MaxFormNesting;
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < AText.size(); ++i) {
    const char ch = AText[i];
    if (inString) {
      if (ch == '\\') ++i;
      else if (ch == '"') inString = false;
    } else if (ch == '"') {
      inString = true;
    } else if (ch == '[' || ch == '{') {
      if (++depth > kMaxJsonNesting)
        Refuse("$", "arrays and objects nested more than " + std::to_string(kMaxJsonNesting) + " deep");
    } else if (ch == ']' || ch == '}') {
      --depth;
    }
  }
}

// Refuses a key given twice in one object: the parser keeps one of the two values without a word
// (a second "components" would drop the first one's components). A second pass over a text the
// parser took, by events only: the parser's callback form walks an array's members again at the
// end of each object in it, the square of their number (thousands of ranges took seconds). The
// path is built as the events come, for the message.
class TDuplicateKeyCheck {
 public:
  bool null() { return Value(); }
  bool boolean(bool) { return Value(); }
  bool number_integer(TJson::number_integer_t) { return Value(); }
  bool number_unsigned(TJson::number_unsigned_t) { return Value(); }
  bool number_float(TJson::number_float_t, const TJson::string_t&) { return Value(); }
  bool string(TJson::string_t&) { return Value(); }
  bool binary(TJson::binary_t&) { return Value(); }
  bool start_object(size_t) { return Open(false); }
  bool start_array(size_t) { return Open(true); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(TJson::string_t& AKey) {
    TLevel& level = FLevels.back();
    level.Key = AKey;
    if (!level.Keys.insert(AKey).second) Refuse(Path(), "the key is given twice in one object");
    return true;
  }
  bool parse_error(size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

 private:
  struct TLevel {
    bool IsArray;
    size_t Index;
    std::string Key;
    std::unordered_set<std::string> Keys;
  };
  bool Open(bool AArray) {
    FLevels.push_back({AArray, 0, {}, {}});
    return true;
  }
  bool Close() {
    FLevels.pop_back();
    return Value();
  }
  bool Value() {
    if (!FLevels.empty() && FLevels.back().IsArray) ++FLevels.back().Index;
    return true;
  }
  std::string Path() const {
    std::string path = "$";
    for (const TLevel& level : FLevels)
      path = level.IsArray ? path + "[" + std::to_string(level.Index) + "]" : Key(path, level.Key);
    return path;
  }
  std::vector<TLevel> FLevels;
};

void LoadCollection(TCollectionBase& ACollection, const TJson& AItems, const std::string& APath, int ADepth) {
  CheckDepth(ADepth, APath);
  ACollection.Clear();
  for (size_t i = 0; i < AItems.size(); ++i) {
    std::string path = APath + "[" + std::to_string(i) + "]";
    const TJson& item = AItems[i];
    if (!item.is_object()) Refuse(path, "expected an object");
    const TClassInfo* cls = &ACollection.ItemBaseClass();
    auto it = item.find("class");
    if (it != item.end()) {
      if (!it->is_string()) Refuse(Key(path, "class"), "expected a class name");
      const std::string name = it->get<std::string>();
      if (ACollection.IsPolymorphic()) {
        cls = FindRegisteredClass(name);
        if (!cls) Refuse(Key(path, "class"), "unknown class '" + EchoText(name) + "'" + NearClass(name));
      } else if (name != cls->Name()) {
        Refuse(Key(path, "class"), "class '" + EchoText(name) + "' is not accepted here (items are " + cls->Name() + ")");
      }
    } else if (ACollection.IsPolymorphic()) {
      Refuse(path, "missing \"class\"");
    }
    std::string why;
    TPersistent* created = ACollection.AddItem(*cls, &why);
    if (!created) Refuse(path, why.empty() ? "cannot create " + cls->Name() : why);
    LoadInto(*created, item, path, true, ADepth + 1);
  }
}

void LoadInto(TPersistent& AObject, const TJson& AJson, const std::string& APath, bool AIsItem, int ADepth) {
  CheckDepth(ADepth, APath);
  if (!AJson.is_object()) Refuse(APath, "expected an object");
  const TClassInfo& cls = AObject.ClassInfo();
  for (auto it = AJson.begin(); it != AJson.end(); ++it) {
    if (AIsItem && it.key() == "class") continue;
    if (!cls.FindProperty(it.key()))
      Refuse(Key(APath, it.key()), "unknown property of " + cls.Name() + NearProperty(cls, it.key()));
  }
  for (const auto& p : cls.Properties()) {
    auto it = AJson.find(p->Name());
    if (it == AJson.end()) continue;
    std::string path = Key(APath, p->Name());
    switch (p->Kind()) {
      case TPropKind::Object:
        if (!it->is_object()) Refuse(path, "expected an object");
        if (TPersistent* nested = p->Object(AObject)) LoadInto(*nested, *it, path, false, ADepth + 1);
        break;
      case TPropKind::Collection:
        if (!it->is_array()) Refuse(path, "expected an array");
        if (TCollectionBase* coll = p->Collection(AObject)) LoadCollection(*coll, *it, path, ADepth + 1);
        break;
      case TPropKind::Pin:
        if (!it->is_object() || !it->empty()) Refuse(path, "pins have no properties (links are listed under \"links\")");
        break;
      default: {
        TPropValue value = PropValueFromJson(*it);
        std::string why = p->Check(AObject, value);
        if (!why.empty()) Refuse(path, why);
        p->Set(AObject, value);
        break;
      }
    }
  }
}

void CheckSaveDepth(int ADepth, const TPersistent& AObject, const std::string& AWhat) {
  if (ADepth > MaxFormNesting)
    throw std::invalid_argument("cannot save " + AWhat + " of " + AObject.ClassName() + ": objects and collections nested more than " +
                                std::to_string(MaxFormNesting) + " deep do not load back");
}

// ADepth counts levels as the loader does (a component's properties are level 1), so nothing is
// written that LoadForm would refuse as nested too deep.
TJson SaveObject(const TPersistent& AObject, bool AWithClass, int ADepth) {
  TJson out = TJson::object();
  if (AWithClass) out["class"] = AObject.ClassName();
  auto& obj = const_cast<TPersistent&>(AObject);
  for (const auto& p : AObject.ClassInfo().Properties()) {
    switch (p->Kind()) {
      case TPropKind::Object: {
        TPersistent* nested = p->Object(obj);
        if (!nested || !p->IsStored(obj)) break;
        TJson sub = SaveObject(*nested, false, ADepth + 1);
        if (!sub.empty()) out[p->Name()] = std::move(sub);
        break;
      }
      case TPropKind::Collection: {
        TCollectionBase* coll = p->Collection(obj);
        if (!coll || !p->IsStored(obj) || (coll->Count() == 0 && !p->AlwaysStored())) break;
        CheckSaveDepth(ADepth + 1, AObject, p->Name());
        TJson items = TJson::array();
        for (size_t i = 0; i < coll->Count(); ++i) {
          const TPersistent& item = coll->ItemObject(i);
          bool withClass = coll->IsPolymorphic() || &item.ClassInfo() != &coll->ItemBaseClass();
          CheckSaveDepth(ADepth + 2, item, p->Name());
          items.push_back(SaveObject(item, withClass, ADepth + 2));
        }
        out[p->Name()] = std::move(items);
        break;
      }
      case TPropKind::Pin:
        break;
      default:
        if (p->IsStored(obj)) out[p->Name()] = PropValueToJson(p->Get(obj));
        break;
    }
  }
  if (!out.empty()) CheckSaveDepth(ADepth, AObject, AObject.ClassName());
  return out;
}

int ReadInt(const TJson& AParent, const char* AKey, const std::string& APath, int ALo, int AHi, int ADefault) {
  auto it = AParent.find(AKey);
  if (it == AParent.end()) return ADefault;
  if (it->is_number_float()) {  // an integral 5.0 is an integer (as JSON Schema counts them)
    const double d = it->get<double>();
    if (!(std::isfinite(d) && std::trunc(d) == d)) Refuse(Key(APath, AKey), "expected an integer");
    if (!(d >= double(ALo) && d <= double(AHi)))
      Refuse(Key(APath, AKey), "integer out of range " + std::to_string(ALo) + ".." + std::to_string(AHi));
    return static_cast<int>(d);
  }
  if (!it->is_number_integer()) Refuse(Key(APath, AKey), "expected an integer");
  if (it->is_number_unsigned() ? it->get<uint64_t>() > uint64_t(AHi) : it->get<int64_t>() > AHi)
    Refuse(Key(APath, AKey), "integer out of range " + std::to_string(ALo) + ".." + std::to_string(AHi));
  if (!it->is_number_unsigned() && it->get<int64_t>() < ALo)
    Refuse(Key(APath, AKey), "integer out of range " + std::to_string(ALo) + ".." + std::to_string(AHi));
  return static_cast<int>(it->get<int64_t>());
}

void CheckKeys(const TJson& AObject, const std::string& APath, std::initializer_list<const char*> AKeys) {
  for (auto it = AObject.begin(); it != AObject.end(); ++it)
    if (std::none_of(AKeys.begin(), AKeys.end(), [&](const char* k) { return it.key() == k; }))
      Refuse(Key(APath, it.key()),
             "unknown key" + DidYouMean(it.key(), std::vector<std::string>(AKeys.begin(), AKeys.end())));
}

bool ValidName(const std::string& AName) {
  if (AName.empty()) return false;
  return std::all_of(AName.begin(), AName.end(), [](unsigned char ch) {
    return std::isalnum(ch) || ch == '_' || ch == '-' || ch >= 0x80;
  });
}

// "Name.Rest.Of.Path" inside the form: the named component, then the property path.
TPXPin* ResolvePin(TDWForm& AForm, const TJson& AValue, const std::string& APath) {
  if (!AValue.is_string()) Refuse(APath, "expected a pin path \"Component.Pin\"");
  std::string text = AValue.get<std::string>();
  size_t dot = text.find('.');
  if (dot == std::string::npos) Refuse(APath, "pin path '" + EchoText(text) + "' names no pin");
  TComponent* comp = AForm.FindComponent(text.substr(0, dot));
  if (!comp) Refuse(APath, "no component named '" + EchoText(text.substr(0, dot)) + "'");
  std::string why;
  auto loc = FindPropertyPath(*comp, std::string_view(text).substr(dot + 1), &why);
  if (!loc) Refuse(APath, why);
  TPXPin* pin = loc->Prop ? loc->Prop->Pin(*loc->Object) : nullptr;
  if (!pin) Refuse(APath, "'" + EchoText(text) + "' is not a pin");
  return pin;
}

}  // namespace

void TDWForm::SetWidth(int AValue) { FWidth = std::clamp(AValue, 0, TRXTransparentControl::MaxSize); }
void TDWForm::SetHeight(int AValue) { FHeight = std::clamp(AValue, 0, TRXTransparentControl::MaxSize); }

DW_PROPERTIES(TDWForm) {}

TJson PropValueToJson(const TPropValue& AValue) {
  if (AValue.is_boolean()) return AValue.get<bool>();
  if (AValue.is_number_unsigned()) return AValue.get<uint64_t>();
  if (AValue.is_number_integer()) return AValue.get<int64_t>();
  if (AValue.is_number_float()) return AValue.get<double>();
  if (AValue.is_string()) return AValue.get<std::string>();
  return nullptr;
}

TPropValue PropValueFromJson(const TJson& AValue) {
  if (AValue.is_boolean()) return AValue.get<bool>();
  if (AValue.is_number_unsigned()) return AValue.get<uint64_t>();
  if (AValue.is_number_integer()) return AValue.get<int64_t>();
  if (AValue.is_number_float()) return AValue.get<double>();
  if (AValue.is_string()) return AValue.get<std::string>();
  return nullptr;
}

TJson SaveProperties(const TPersistent& AObject) { return SaveObject(AObject, false, 1); }

bool LoadProperties(TPersistent& AObject, const TJson& AProperties, std::string* AError, const std::string& APath) {
  try {
    LoadInto(AObject, AProperties, APath, false, 1);
    return true;
  } catch (const TFormError& e) {
    if (AError) *AError = e.Message;
    return false;
  }
}

void CallLoaded(TPersistent& ARoot) {
  std::vector<TComponent*> components;
  ForEachReachable(ARoot, [&](const TVisit& v) {
    if (auto* c = dynamic_cast<TComponent*>(v.Object)) components.push_back(c);
  });
  for (TComponent* c : components)
    if (c->IsLoading()) c->Loaded();
}

TFormLoadResult LoadForm(std::string_view AText) {
  TFormLoadResult result;
  auto form = std::make_unique<TDWForm>();
  try {
    CheckJsonNesting(AText);
    TJson root;
    try {
      root = TJson::parse(AText);
    } catch (const TJson::exception& e) {
      Refuse("$", "malformed JSON (" + ParserMessage(e.what()) + ")");
    }
    TDuplicateKeyCheck duplicates;
    TJson::sax_parse(AText, &duplicates);
    if (!root.is_object()) Refuse("$", "expected a JSON object");
    CheckKeys(root, "$", {"format", "version", "width", "height", "color", "components", "links"});
    auto fmt = root.find("format");
    if (fmt == root.end() || !fmt->is_string() || *fmt != "dialworks-form")
      Refuse("$.format", "expected \"dialworks-form\"");
    auto ver = root.find("version");
    if (ver == root.end() || !ver->is_number_integer() || *ver != 1) Refuse("$.version", "unsupported version (expected 1)");
    form->SetWidth(ReadInt(root, "width", "$", 0, TRXTransparentControl::MaxSize, form->Width()));
    form->SetHeight(ReadInt(root, "height", "$", 0, TRXTransparentControl::MaxSize, form->Height()));
    if (auto c = root.find("color"); c != root.end()) {
      TAlphaColor color = 0;
      if (!c->is_string() || !ColorFromText(c->get<std::string>(), color))
        Refuse("$.color", ColorExpectation());
      form->SetColor(color);
    }
    auto comps = root.find("components");
    if (comps != root.end()) {
      if (!comps->is_array()) Refuse("$.components", "expected an array");
      // The names given so far (names compare exactly, as FindComponent does): a search of the
      // form per component would make loading quadratic in their count.
      std::unordered_set<std::string> names;
      for (size_t i = 0; i < comps->size(); ++i) {
        std::string path = "$.components[" + std::to_string(i) + "]";
        const TJson& entry = (*comps)[i];
        if (!entry.is_object()) Refuse(path, "expected an object");
        CheckKeys(entry, path, {"class", "name", "left", "top", "properties"});
        auto cls = entry.find("class");
        if (cls == entry.end() || !cls->is_string()) Refuse(Key(path, "class"), "expected a class name");
        const TClassInfo* info = FindRegisteredClass(cls->get<std::string>());
        if (!info) Refuse(Key(path, "class"), "unknown class '" + EchoText(cls->get<std::string>()) + "'" +
                              NearClass(cls->get<std::string>()));
        if (!info->IsComponent() || !info->CanCreate())
          Refuse(Key(path, "class"), "class '" + info->Name() + "' is not a component that forms can create");
        std::string name;
        if (auto n = entry.find("name"); n != entry.end()) {
          if (!n->is_string() || !ValidName(n->get<std::string>()))
            Refuse(Key(path, "name"), "expected a name of letters, digits, '_' or '-'");
          name = n->get<std::string>();
          if (!names.insert(name).second)
            Refuse(Key(path, "name"), "duplicate component name '" + EchoText(name) + "'");
        }
        std::unique_ptr<TPersistent> created = info->Create();
        std::unique_ptr<TComponent> comp(static_cast<TComponent*>(created.release()));
        TComponent& c = form->InsertComponent(std::move(comp));
        c.SetName(name);
        c.SetLoading(true);
        int left = ReadInt(entry, "left", path, INT32_MIN, INT32_MAX, 0);
        int top = ReadInt(entry, "top", path, INT32_MIN, INT32_MAX, 0);
        if (auto* control = dynamic_cast<TRXTransparentControl*>(&c))
          control->SetBounds(left, top, control->Width(), control->Height());
        else if (entry.contains("left") || entry.contains("top"))
          Refuse(path, "only controls have a position");
        if (auto props = entry.find("properties"); props != entry.end())
          LoadInto(c, *props, Key(path, "properties"), false, 1);
      }
    }
    auto links = root.find("links");
    if (links != root.end()) {
      if (!links->is_array()) Refuse("$.links", "expected an array");
      for (size_t i = 0; i < links->size(); ++i) {
        std::string path = "$.links[" + std::to_string(i) + "]";
        const TJson& link = (*links)[i];
        if (!link.is_object()) Refuse(path, "expected an object {\"from\", \"to\"}");
        CheckKeys(link, path, {"from", "to"});
        if (!link.contains("from")) Refuse(path, "missing \"from\"");
        if (!link.contains("to")) Refuse(path, "missing \"to\"");
        TPXPin* from = ResolvePin(*form, link["from"], Key(path, "from"));
        TPXPin* to = ResolvePin(*form, link["to"], Key(path, "to"));
        if (!TPXPin::Link(*from, *to))
          Refuse(path, "pins cannot be linked (wrong direction or kind, the same pin, or already linked)");
      }
    }
  } catch (const TFormError& e) {
    result.Error = e.Message;
    form.reset();  // destroys every component read so far; their pins disconnect
    return result;
  }
  for (size_t i = 0; i < form->ComponentCount(); ++i) CallLoaded(form->Components(i));
  result.Form = std::move(form);
  return result;
}

std::string SaveForm(const TDWForm& AForm) {
  TJson root = TJson::object();
  root["format"] = "dialworks-form";
  root["version"] = 1;
  root["width"] = AForm.Width();
  root["height"] = AForm.Height();
  root["color"] = ColorToText(AForm.Color());
  TJson comps = TJson::array();
  // Pins of named components, in form order, for the links.
  std::vector<std::pair<TPXPin*, std::string>> pins;
  std::map<const TPXPin*, size_t> pinIndex;
  std::set<std::string> names;
  for (size_t i = 0; i < AForm.ComponentCount(); ++i) {
    TComponent& c = AForm.Components(i);
    // Names the loader would refuse make a text that never loads back: refuse them here instead.
    if (!c.Name().empty() && !ValidName(c.Name()))
      throw std::invalid_argument("cannot save component name '" + c.Name() + "': use letters, digits, '_' or '-'");
    if (!c.Name().empty() && !names.insert(c.Name()).second)
      throw std::invalid_argument("cannot save: two components are named '" + c.Name() + "'");
    TJson entry = TJson::object();
    entry["class"] = c.ClassName();
    if (!c.Name().empty()) entry["name"] = c.Name();
    if (auto* control = dynamic_cast<TRXTransparentControl*>(&c)) {
      entry["left"] = control->Left();
      entry["top"] = control->Top();
    }
    entry["properties"] = SaveObject(c, false, 1);
    comps.push_back(std::move(entry));
    if (c.Name().empty()) continue;
    ForEachReachable(c, [&](const TVisit& v) {
      if (v.Pin && !pinIndex.count(v.Pin)) {
        pinIndex[v.Pin] = pins.size();
        pins.emplace_back(v.Pin, c.Name() + "." + v.Path);
      }
    });
  }
  root["components"] = std::move(comps);
  // Each link once, sender first (for two state pins, the one earlier in the form), sorted by
  // the pins' form order so the text does not depend on the order links were made in.
  std::set<std::pair<size_t, size_t>> links;
  for (size_t i = 0; i < pins.size(); ++i) {
    TPXPin* pin = pins[i].first;
    for (TPXPin* other : pin->LinkedPins()) {
      auto it = pinIndex.find(other);
      if (it == pinIndex.end()) continue;
      size_t j = it->second;
      bool pinSends = pin->Direction() == pdSource || other->Direction() == pdSink ||
                      (pin->Direction() == pdState && other->Direction() == pdState && i < j);
      links.insert(pinSends ? std::pair(i, j) : std::pair(j, i));
    }
  }
  TJson linkArray = TJson::array();
  for (auto [from, to] : links) linkArray.push_back(TJson{{"from", pins[from].second}, {"to", pins[to].second}});
  root["links"] = std::move(linkArray);
  return root.dump(2, ' ', false, TJson::error_handler_t::replace) + "\n";
}

}  // namespace dw
