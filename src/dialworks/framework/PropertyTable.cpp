#include "dialworks/framework/PropertyTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>
#include "dialworks/framework/Spelling.h"

namespace dw {

int TEnumInfo::IndexOf(std::string_view AName) const {
  for (size_t i = 0; i < Members.size(); ++i)
    if (Members[i] == AName) return static_cast<int>(i);
  return -1;
}

const char* PropKindName(TPropKind AKind) {
  switch (AKind) {
    case TPropKind::Bool: return "Boolean";
    case TPropKind::Integer: return "Integer";
    case TPropKind::Cardinal: return "Cardinal";
    case TPropKind::Real: return "Real";
    case TPropKind::Single: return "Single";
    case TPropKind::Enum: return "enumeration";
    case TPropKind::Color: return "colour";
    case TPropKind::String: return "string";
    case TPropKind::Object: return "object";
    case TPropKind::Collection: return "collection";
    case TPropKind::Pin: return "pin";
  }
  return "?";
}

const char* BadInputName(TBadInput APolicy) {
  switch (APolicy) {
    case TBadInput::Accept: return "accept";
    case TBadInput::Finite: return "finite";
    case TBadInput::Limit: return "limit";
    case TBadInput::Fold: return "fold";
    case TBadInput::Refuse: return "refuse";
  }
  return "?";
}

std::string ColorToText(TAlphaColor AColor) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(AColor));
  return buf;
}

bool ColorFromText(std::string_view AText, TAlphaColor& AColor) { return ParseColorText(AText, AColor); }

namespace {

// The length of the well-formed UTF-8 sequence at AText[i], or 0 (a stray or invalid byte).
size_t Utf8Length(std::string_view AText, size_t i) {
  const auto u = static_cast<unsigned char>(AText[i]);
  if (u < 0x80) return 1;
  size_t n;
  uint32_t cp;
  if (u >= 0xC2 && u <= 0xDF) n = 2, cp = u & 0x1F;
  else if (u >= 0xE0 && u <= 0xEF) n = 3, cp = u & 0x0F;
  else if (u >= 0xF0 && u <= 0xF4) n = 4, cp = u & 0x07;
  else return 0;
  if (i + n > AText.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(AText[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

}  // namespace

std::string PrintableText(std::string_view AText) {
  std::string out;
  out.reserve(AText.size());
  char buf[8];
  for (size_t i = 0; i < AText.size();) {
    const char ch = AText[i];
    const auto u = static_cast<unsigned char>(ch);
    const size_t n = Utf8Length(AText, i);
    if (ch == '\n') out += "\\n";
    else if (ch == '\t') out += "\\t";
    else if (ch == '\r') out += "\\r";
    else if (n == 0 || u < 0x20 || u == 0x7F) {
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else if (n == 2 && u == 0xC2 && static_cast<unsigned char>(AText[i + 1]) < 0xA0) {
      // U+0080..U+009F: terminals act on these as they do on the C0 controls.
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned char>(AText[i + 1]));
      out += buf;
    } else {
      out.append(AText.substr(i, n));
    }
    i += std::max<size_t>(n, 1);
  }
  return out;
}

std::string EchoText(std::string_view AText, size_t AMax) {
  size_t i = 0;
  for (size_t count = 0; i < AText.size() && count < AMax; ++count) i += std::max<size_t>(Utf8Length(AText, i), 1);
  if (i < AText.size()) return PrintableText(AText.substr(0, i)) + "...";
  return PrintableText(AText);
}

double SingleToShortestDouble(float AValue) {
  if (!std::isfinite(AValue)) return AValue;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, AValue);
  *r.ptr = 0;
  return std::strtod(buf, nullptr);
}

bool TPropValue::Equals(const TPropValue& B) const {
  const TPropValue& A = *this;
  if (A.is_number() && B.is_number()) {
    if (A.is_number_float() || B.is_number_float()) return A.get<double>() == B.get<double>();
    if (A.is_number_unsigned() != B.is_number_unsigned()) {  // one signed: equal only when both >= 0
      const TPropValue& s = A.is_number_unsigned() ? B : A;
      if (s.get<int64_t>() < 0) return false;
    }
    return A.get<uint64_t>() == B.get<uint64_t>();
  }
  return A.FValue == B.FValue;
}

// ---- TPropInfo ----

std::pair<double, double> TPropInfo::Range(const TPersistent& AObject) const {
  if (FRangeFn) return FRangeFn(AObject);
  return {FLo, FHi};
}

TPropValue TPropInfo::Get(const TPersistent&) const { return nullptr; }
void TPropInfo::Set(TPersistent&, const TPropValue&) const {}
TPropValue TPropInfo::Default(const TPersistent&) const { return nullptr; }
void TPropInfo::SetDefault(const TPropValue&) {}
bool TPropInfo::IsStored(const TPersistent& AObject) const { return !FNeverStored && PredicateHolds(AObject); }
TPersistent* TPropInfo::Object(TPersistent&) const { return nullptr; }
TCollectionBase* TPropInfo::Collection(TPersistent&) const { return nullptr; }
TPXPin* TPropInfo::Pin(TPersistent&) const { return nullptr; }

namespace {

std::string Fmt(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// A finite number without a fractional part (NaN and infinities are not).
bool IsIntegral(double v) { return std::isfinite(v) && std::trunc(v) == v; }

// The range check of Limit and Refuse entries (NaN fails it).
std::string CheckRange(const TPropInfo& AProp, const TPersistent& AObject, double v) {
  if (AProp.Policy() != TBadInput::Limit && AProp.Policy() != TBadInput::Refuse) return {};
  auto [lo, hi] = AProp.Range(AObject);
  if (AProp.HasDynamicRange() && AObject.IsLoading()) return {};  // limited after loading
  if (!(v >= lo && v <= hi)) return "value " + Fmt(v) + " is outside " + Fmt(lo) + ".." + Fmt(hi);
  return {};
}

}  // namespace

std::string TPropInfo::Check(const TPersistent& AObject, const TPropValue& v) const {
  switch (FKind) {
    case TPropKind::Bool:
      return v.is_boolean() ? "" : "expected true or false";
    case TPropKind::Integer: {
      if (v.is_number_float()) {  // 5.0 is an integer to JSON Schema, and so to the tables
        const double d = v.get<double>();
        if (!IsIntegral(d)) return "expected an integer";
        if (!(d >= double(INT32_MIN) && d <= double(INT32_MAX))) return "integer out of range";
        return CheckRange(*this, AObject, d);
      }
      if (!v.is_number_integer()) return "expected an integer";
      if (v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT32_MAX)) return "integer out of range";
      int64_t i = v.get<int64_t>();
      if (i < INT32_MIN || i > INT32_MAX) return "integer out of range";
      return CheckRange(*this, AObject, double(i));
    }
    case TPropKind::Cardinal: {
      if (v.is_number_float()) {
        const double d = v.get<double>();
        if (!IsIntegral(d) || !(d >= 0)) return "expected a non-negative integer";
        if (!(d <= double(UINT32_MAX))) return "integer out of range";
        return CheckRange(*this, AObject, d);
      }
      if (!v.is_number_integer()) return "expected a non-negative integer";
      if (!v.is_number_unsigned() && v.get<int64_t>() < 0) return "expected a non-negative integer";
      if (v.get<uint64_t>() > UINT32_MAX) return "integer out of range";
      return CheckRange(*this, AObject, double(v.get<uint64_t>()));
    }
    case TPropKind::Real:
    case TPropKind::Single: {
      if (!v.is_number()) return "expected a number";
      double d = v.get<double>();
      if (!std::isfinite(d)) return "expected a finite number";
      // The largest float is written as its shortest text (3.4028235e+38), a little above it as a
      // double: only what would round to infinity is out of range.
      if (FKind == TPropKind::Single && std::fabs(d) >= 0x1.ffffffp127) return "number out of range for single precision";
      return CheckRange(*this, AObject, d);
    }
    case TPropKind::Enum: {
      if (!v.is_string()) return "expected a member name of " + (FEnum ? FEnum->Name : std::string("the enumeration"));
      if (FEnum && FEnum->IndexOf(v.get<std::string>()) < 0)
        return "'" + EchoText(v.get<std::string>()) + "' is not a member of " + FEnum->Name + " (members: " +
               JoinNames(FEnum->Members) + ")" + DidYouMean(v.get<std::string>(), FEnum->Members);
      return {};
    }
    case TPropKind::Color: {
      TAlphaColor c;
      if (!v.is_string() || !ColorFromText(v.get<std::string>(), c)) return ColorExpectation();
      return {};
    }
    case TPropKind::String:
      return v.is_string() ? "" : "expected a string";
    case TPropKind::Object:
    case TPropKind::Collection:
    case TPropKind::Pin:
      return "not a value property";
  }
  return "unsupported property";
}

// ---- TClassInfo ----

TClassInfo::TClassInfo(const char* AName, const TClassInfo* AParent, TCreate ACreate, TDeclare ADeclare)
    : FName(AName), FParent(AParent), FCreate(ACreate) {
  if (FParent) FProps = FParent->FProps;
  if (ADeclare) ADeclare(FProps);
}

bool TClassInfo::InheritsFrom(const TClassInfo& AClass) const {
  for (const TClassInfo* c = this; c; c = c->FParent)
    if (c == &AClass) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view AName) const {
  for (auto& p : FProps)
    if (p->Name() == AName) return p.get();
  return nullptr;
}

bool TClassInfo::IsComponent() const { return InheritsFrom(TComponent::StaticClass()); }

// ---- paths ----

namespace {

bool Fail(std::string* AError, std::string AText) {
  if (AError) *AError = PrintableText(AText);
  return false;
}

}  // namespace

std::optional<TPropertyLocation> FindPropertyPath(TPersistent& ARoot, std::string_view APath, std::string* AError) {
  TPersistent* obj = &ARoot;
  const TPropInfo* prop = nullptr;
  std::string_view rest = APath;
  std::string done;
  if (rest.empty()) {
    Fail(AError, "empty property path");
    return std::nullopt;
  }
  while (!rest.empty()) {
    if (prop) {
      // The previous segment named a value or pin: nothing below it.
      Fail(AError, "'" + done + "' has no properties");
      return std::nullopt;
    }
    size_t end = rest.find_first_of(".[");
    std::string_view name = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    if (name.empty()) {
      Fail(AError, "empty name in path '" + EchoText(APath) + "'");
      return std::nullopt;
    }
    done += (done.empty() ? "" : ".") + std::string(name);
    const TPropInfo* p = obj->ClassInfo().FindProperty(name);
    if (!p) {
      std::vector<std::string> names;
      for (const auto& q : obj->ClassInfo().Properties()) names.push_back(q->Name());
      Fail(AError, obj->ClassName() + " has no property '" + EchoText(name) + "' (path '" + EchoText(done) + "')" +
                       DidYouMean(name, names));
      return std::nullopt;
    }
    if (!rest.empty() && rest[0] == '[') {
      size_t close = rest.find(']');
      TCollectionBase* coll = p->Collection(*obj);
      if (!coll || close == std::string_view::npos) {
        Fail(AError, "'" + done + "' is not a collection");
        return std::nullopt;
      }
      std::string_view digits = rest.substr(1, close - 1);
      size_t index = 0;
      auto r = std::from_chars(digits.data(), digits.data() + digits.size(), index);
      if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size()) {
        Fail(AError, "bad index '" + EchoText(digits) + "' after '" + done + "'");
        return std::nullopt;
      }
      if (index >= coll->Count()) {
        Fail(AError, "index " + std::to_string(index) + " of '" + done + "' is out of range (" +
                         std::to_string(coll->Count()) + " items)");
        return std::nullopt;
      }
      done += "[" + std::to_string(index) + "]";
      obj = &coll->ItemObject(index);
      rest = rest.substr(close + 1);
    } else if (p->Kind() == TPropKind::Object) {
      TPersistent* nested = p->Object(*obj);
      if (!nested) {
        Fail(AError, "'" + done + "' is empty");
        return std::nullopt;
      }
      if (rest.empty()) return TPropertyLocation{obj, p};
      obj = nested;
    } else {
      prop = p;
      if (rest.empty()) return TPropertyLocation{obj, p};
    }
    if (!rest.empty()) {
      if (rest[0] != '.' || rest.size() == 1) {
        Fail(AError, "bad path '" + EchoText(APath) + "' after '" + done + "'");
        return std::nullopt;
      }
      rest = rest.substr(1);
    }
  }
  return TPropertyLocation{obj, nullptr};
}

std::optional<TPropValue> GetPropertyValue(TPersistent& ARoot, std::string_view APath, std::string* AError) {
  auto loc = FindPropertyPath(ARoot, APath, AError);
  if (!loc) return std::nullopt;
  if (!loc->Prop || !loc->Prop->IsValue()) {
    Fail(AError, "'" + EchoText(APath) + "' is not a value property");
    return std::nullopt;
  }
  return loc->Prop->Get(*loc->Object);
}

bool SetPropertyValue(TPersistent& ARoot, std::string_view APath, const TPropValue& AValue, std::string* AError) {
  auto loc = FindPropertyPath(ARoot, APath, AError);
  if (!loc) return false;
  if (!loc->Prop || !loc->Prop->IsValue()) return Fail(AError, "'" + EchoText(APath) + "' is not a value property");
  std::string why = loc->Prop->Check(*loc->Object, AValue);
  if (!why.empty()) return Fail(AError, EchoText(APath) + ": " + why);
  loc->Prop->Set(*loc->Object, AValue);
  return true;
}

bool SetPropertyText(TPersistent& ARoot, std::string_view APath, std::string_view AText, std::string* AError) {
  auto loc = FindPropertyPath(ARoot, APath, AError);
  if (!loc) return false;
  if (!loc->Prop || !loc->Prop->IsValue()) return Fail(AError, "'" + EchoText(APath) + "' is not a value property");
  TPropValue value;
  switch (loc->Prop->Kind()) {
    case TPropKind::String:
    case TPropKind::Enum:
    case TPropKind::Color:
      value = std::string(AText);
      break;
    default: {
      // Numbers and true/false are read as JSON reads them (the same text as in a form).
      auto json = nlohmann::json::parse(AText, nullptr, false);
      if (json.is_discarded()) return Fail(AError, EchoText(APath) + ": cannot read '" + EchoText(AText) + "'");
      if (json.is_boolean()) value = json.get<bool>();
      else if (json.is_number_unsigned()) value = json.get<uint64_t>();
      else if (json.is_number_integer()) value = json.get<int64_t>();
      else if (json.is_number_float()) value = json.get<double>();
      else if (json.is_string()) value = json.get<std::string>();
    }
  }
  return SetPropertyValue(ARoot, APath, value, AError);
}

}  // namespace dw
