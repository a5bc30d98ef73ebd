#include "FormRender.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "OutputFile.h"
#include "Reference.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/package/FormRender.h"

namespace dw::apps {

bool LoadFormFile(TFormSession& ASession, const std::string& APath, std::string& AError, size_t AMaxBytes) {
  std::string text;
  if (!ReadInputFile(APath, AMaxBytes, text, AError)) return false;
  if (!ASession.Load(text, AError)) {
    AError = APath + ": " + AError;
    return false;
  }
  return true;
}

gp::Bitmap RenderControl(TKVBasicControl& AControl) {
  gp::Bitmap bitmap(AControl.Width(), AControl.Height());
  gp::CairoGraphics g(bitmap);
  AControl.Paint(g);
  g.Flush();
  return bitmap;
}

bool SavePng(const gp::Bitmap& ABitmap, const std::string& APath, std::string& AError) {
  std::string png;
  if (!EncodePng(ABitmap, png, AError)) {
    AError = APath + ": " + AError;
    return false;
  }
  return WriteOutputFile(APath, png, AError);
}

namespace {
const char* KindName(TRegistrationKind AKind) {
  switch (AKind) {
    case rkComponent: return "control";
    case rkLayer: return "layer";
    case rkElement: return "element";
    default: return "class";
  }
}

// Every property of an object with its current value; nested objects and collections recurse.
TJson DescribeObject(TPersistent& AObject) {
  TJson out = TJson::object();
  out["class"] = AObject.ClassInfo().Name();
  for (const auto& p : AObject.ClassInfo().Properties()) {
    switch (p->Kind()) {
      case TPropKind::Object:
        if (TPersistent* o = p->Object(AObject)) out[p->Name()] = DescribeObject(*o);
        break;
      case TPropKind::Collection: {
        TJson items = TJson::array();
        if (TCollectionBase* c = p->Collection(AObject))
          for (size_t i = 0; i < c->Count(); ++i) items.push_back(DescribeObject(c->ItemObject(i)));
        out[p->Name()] = std::move(items);
        break;
      }
      case TPropKind::Pin:
        out[p->Name()] = "pin";
        break;
      default:
        out[p->Name()] = PropValueToJson(p->Get(AObject));
    }
  }
  return out;
}
}  // namespace

std::string ListRegistrations() {
  RegisterDialworksPackage();
  std::string out;
  char line[512];
  for (const TRegistration& r : Registrations()) {
    const std::string family =
        r.Kind == rkElement ? DWEnumInfo(static_cast<TRXElementFamily*>(nullptr)).Members.at(r.Family) : "-";
    std::snprintf(line, sizeof line, "%-20s %-8s %-16s %-12s %s\n", r.Unit.empty() ? "-" : r.Unit.c_str(),
                  KindName(r.Kind), family.c_str(), r.Category.empty() ? "-" : r.Category.c_str(),
                  r.Class->Name().c_str());
    out += line;
  }
  return out;
}

bool DescribeDefaults(const std::string& AClassName, std::string& AJson, std::string& AError) {
  RegisterDialworksPackage();
  const TClassInfo* info = FindRegisteredClass(AClassName);
  if (!info || !info->CanCreate()) {
    AError = "--defaults " + AClassName + ": no registered class of that name can be created";
    return false;
  }
  WithNewObject(*info, [&](TPersistent& AObject) { AJson = DescribeObject(AObject).dump(2) + "\n"; });
  return true;
}

namespace {
// The first "%d", "%5d" or "%05d" in a pattern: where it starts and ends, whether it pads with
// zeros, and its width digits. A scan rather than a regex: std::regex recurses once per character
// and a long run of digits overflows the stack.
struct TPlaceholder {
  size_t Begin = 0, End = 0;
  bool Zero = false;
  std::string Digits;
};

bool FindPlaceholder(const std::string& APattern, TPlaceholder& AFound) {
  for (size_t at = APattern.find('%'); at != std::string::npos; at = APattern.find('%', at + 1)) {
    size_t i = at + 1;
    const bool zero = i < APattern.size() && APattern[i] == '0';
    if (zero) ++i;
    const size_t digits = i;
    while (i < APattern.size() && APattern[i] >= '0' && APattern[i] <= '9') ++i;
    if (i < APattern.size() && APattern[i] == 'd') {
      AFound = {at, i + 1, zero, APattern.substr(digits, i - digits)};
      return true;
    }
  }
  return false;
}

// The field width of a placeholder, MaxFrameDigits + 1 for any longer one (no conversion can
// overflow).
int FrameWidth(const std::string& ADigits) {
  const size_t first = ADigits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  if (ADigits.size() - first > 3) return MaxFrameDigits + 1;
  return std::min(std::stoi(ADigits.substr(first)), MaxFrameDigits + 1);
}
}  // namespace

bool CheckFramePattern(const std::string& APattern, std::string& AError) {
  TPlaceholder p;
  if (FindPlaceholder(APattern, p) && FrameWidth(p.Digits) > MaxFrameDigits) {
    AError = "--output " + APattern + ": a frame number is at most " + std::to_string(MaxFrameDigits) + " digits wide";
    return false;
  }
  return true;
}

std::string FrameFileName(const std::string& APattern, int AIndex) {
  TPlaceholder p;
  if (FindPlaceholder(APattern, p)) {
    std::string number = std::to_string(AIndex);
    const int width = std::min(FrameWidth(p.Digits), MaxFrameDigits);
    if (int(number.size()) < width) number.insert(0, size_t(width) - number.size(), p.Zero ? '0' : ' ');
    return APattern.substr(0, p.Begin) + number + APattern.substr(p.End);
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%03d", AIndex);
  const size_t dot = APattern.rfind('.');
  if (dot == std::string::npos || APattern.find('/', dot) != std::string::npos) return APattern + suffix;
  return APattern.substr(0, dot) + suffix + APattern.substr(dot);
}

}  // namespace dw::apps
