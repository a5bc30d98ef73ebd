#include "FormRender.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/package/DialworksPkg.h"

namespace dw::apps {

TFormSession::TFormSession() {
  RegisterDialworksPackage();
  FPrevious = &HostServices();
  SetHostServices(&FHost);
}

TFormSession::~TFormSession() {
  // Components hold timers and clock subscriptions of the host: they go first.
  FForm.reset();
  SetHostServices(FPrevious);
}

bool TFormSession::Load(const std::string& AText, std::string& AError) {
  TFormLoadResult result = LoadForm(AText);
  if (!result) {
    AError = result.Error;
    return false;
  }
  FForm = std::move(result.Form);
  return true;
}

bool TFormSession::LoadFile(const std::string& APath, std::string& AError) {
  std::ifstream in(APath, std::ios::binary);
  if (!in) {
    AError = APath + ": cannot be read";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!Load(text.str(), AError)) {
    AError = APath + ": " + AError;
    return false;
  }
  return true;
}

bool TFormSession::Set(const std::string& AAssignment, std::string& AError) {
  const size_t eq = AAssignment.find('=');
  const size_t dot = AAssignment.find('.');
  if (eq == std::string::npos || dot == std::string::npos || dot > eq) {
    AError = "--set " + AAssignment + ": expected Component.Property=Value";
    return false;
  }
  const std::string name = AAssignment.substr(0, dot);
  const std::string path = AAssignment.substr(dot + 1, eq - dot - 1);
  TComponent* component = FForm ? FForm->FindComponent(name) : nullptr;
  if (!component) {
    AError = "--set " + AAssignment + ": the form has no component named \"" + name + "\"";
    return false;
  }
  std::string why;
  if (!SetPropertyText(*component, path, AAssignment.substr(eq + 1), &why)) {
    AError = "--set " + name + "." + path + ": " + why;
    return false;
  }
  return true;
}

void TFormSession::Advance(double AMilliseconds) {
  FHost.Advance(AMilliseconds);
  while (FHost.RunPosted() > 0) {}
}

gp::Bitmap TFormSession::Render(float AScale) const {
  if (!FForm) return gp::Bitmap();
  if (!(AScale > 0 && AScale <= 16)) AScale = 1;
  gp::Bitmap bitmap(int(FForm->Width() * AScale + 0.5f), int(FForm->Height() * AScale + 0.5f));
  gp::CairoGraphics g(bitmap);
  g.Clear(FForm->Color());
  g.ScaleTransform(AScale, AScale);
  for (size_t i = 0; i < FForm->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TKVBasicControl*>(&FForm->Components(i));
    if (!control || !control->Visible()) continue;
    const gp::GraphicsState state = g.Save();
    g.TranslateTransform(float(control->Left()), float(control->Top()));
    control->Paint(g);
    g.Restore(state);
  }
  g.Flush();
  return bitmap;
}

bool SavePngAtomically(const gp::Bitmap& ABitmap, const std::string& APath) {
  const std::string temp = APath + ".part";
  if (!ABitmap.SavePng(temp)) {
    std::remove(temp.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, APath, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
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
  TManualHost host;  // timers created by the constructor belong to a host that outlives the object
  IHostServices* previous = &HostServices();
  SetHostServices(&host);
  {
    std::unique_ptr<TPersistent> object = info->Create();
    AJson = DescribeObject(*object).dump(2) + "\n";
    if (auto* component = dynamic_cast<TComponent*>(object.get())) {
      object.release();
      TComponent::Destroy(std::unique_ptr<TComponent>(component));
    }
  }
  SetHostServices(previous);
  return true;
}

std::string FrameFileName(const std::string& APattern, int AIndex) {
  static const std::regex placeholder("%(0?)([0-9]*)d");
  std::smatch m;
  if (std::regex_search(APattern, m, placeholder)) {
    std::string number = std::to_string(AIndex);
    const int width = m[2].length() ? std::stoi(m[2].str()) : 0;
    if (int(number.size()) < width) number.insert(0, size_t(width) - number.size(), m[1].length() ? '0' : ' ');
    return m.prefix().str() + number + m.suffix().str();
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%03d", AIndex);
  const size_t dot = APattern.rfind('.');
  if (dot == std::string::npos || APattern.find('/', dot) != std::string::npos) return APattern + suffix;
  return APattern.substr(0, dot) + suffix + APattern.substr(dot);
}

}  // namespace dw::apps
