// The render command's core: forms to pictures, --set by path, virtual time, frame names, the
// class listing and defaults, and refusal without partial output.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "FormRender.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/HostServices.h"

namespace {

using namespace dw;

// A control that fills itself with its colour, and turns blue once a timer has fired.
class TSwatch : public TKVBasicControl {
  DW_CLASS(TSwatch, TKVBasicControl)
  explicit TSwatch(TComponent* AOwner = nullptr) : TKVBasicControl(AOwner), FTimer(HostServices().CreateTimer()) {
    ApplyDefaultSize();
    FTimer->SetInterval(100);
    FTimer->SetOnTimer([this] {
      FFired = true;
      FTimer->SetEnabled(false);
    });
  }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  void IntDraw(gp::Graphics& g, const TDrawArea& A) override {
    TKVBasicControl::IntDraw(g, A);
    gp::SolidBrush brush(FFired ? 0xFF0000FFu : FColor);
    g.FillRectangle(brush, gp::RectF(0, 0, A.Width, A.Height));
  }

 private:
  std::unique_ptr<IRelaxedTimer> FTimer;
  TAlphaColor FColor = 0xFFFF0000;
  bool FFired = false;
};

DW_PROPERTIES(TSwatch) {
  t.Color("Color", &TSwatch::Color, &TSwatch::SetColor, 0xFFFF0000);
  t.Default("Width", 20);
  t.Default("Height", 10);
}

const char* kForm = R"({"format": "dialworks-form", "version": 1, "width": 50, "height": 40,
  "color": "0xFFFFFFFF",
  "components": [{"class": "TSwatch", "name": "Box", "left": 10, "top": 5, "properties": {}}]})";

class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override { RegisterComponents("Test", {&TSwatch::StaticClass()}); }
};

TEST_F(RenderCommand, RendersSetsAndAdvancesTime) {
  apps::TFormSession session;
  std::string error;
  ASSERT_TRUE(session.Load(kForm, error)) << error;
  gp::Bitmap b = session.Render();
  ASSERT_EQ(b.GetWidth(), 50u);
  EXPECT_EQ(b.GetPixel(15, 10), 0xFFFF0000u);  // inside the control at (10, 5) 20 x 10
  EXPECT_EQ(b.GetPixel(5, 10), 0xFFFFFFFFu);   // form colour outside it
  EXPECT_EQ(b.GetPixel(31, 10), 0xFFFFFFFFu);

  ASSERT_TRUE(session.Set("Box.Color=0xFF00FF00", error)) << error;
  ASSERT_TRUE(session.Set("Box.Width=40", error)) << error;
  b = session.Render();
  EXPECT_EQ(b.GetPixel(45, 10), 0xFF00FF00u);

  session.Advance(99);
  EXPECT_EQ(session.Render().GetPixel(15, 10), 0xFF00FF00u);
  session.Advance(1);
  EXPECT_EQ(session.Render().GetPixel(15, 10), 0xFF0000FFu);

  gp::Bitmap hi = session.Render(2);
  EXPECT_EQ(hi.GetWidth(), 100u);
  EXPECT_EQ(hi.GetPixel(31, 21), 0xFF0000FFu);
  EXPECT_EQ(hi.GetPixel(19, 21), 0xFFFFFFFFu);
}

TEST_F(RenderCommand, RefusesBadInputWithOneMessage) {
  apps::TFormSession session;
  std::string error;
  EXPECT_FALSE(session.Load("{", error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(session.Load(kForm, error));
  EXPECT_FALSE(session.Set("Nobody.Color=0xFF000000", error));
  EXPECT_NE(error.find("Nobody"), std::string::npos);
  EXPECT_FALSE(session.Set("Box.Colour=0xFF000000", error));
  EXPECT_NE(error.find("Colour"), std::string::npos);
  EXPECT_FALSE(session.Set("Box.Color=greenish", error));
  EXPECT_FALSE(session.Set("Box.Color", error));
  EXPECT_FALSE(apps::LoadFormFile(session, "/nonexistent/form.json", error));
  EXPECT_EQ(error.rfind("/nonexistent/form.json: ", 0), 0u) << error;

  // A write that fails leaves no file behind, complete or partial.
  const std::string target = (std::filesystem::temp_directory_path() / "dw_no_such_dir" / "x.png").string();
  EXPECT_FALSE(apps::SavePng(session.Render(), target, error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(RenderCommand, FrameNamesListingAndDefaults) {
  EXPECT_EQ(apps::FrameFileName("out_%03d.png", 7), "out_007.png");
  EXPECT_EQ(apps::FrameFileName("f%d.png", 12), "f12.png");
  EXPECT_EQ(apps::FrameFileName("out/anim.png", 3), "out/anim_003.png");
  EXPECT_EQ(apps::FrameFileName("out.d/anim", 3), "out.d/anim_003");

  EXPECT_NE(apps::ListRegistrations().find("TSwatch"), std::string::npos);
  std::string json, error;
  ASSERT_TRUE(apps::DescribeDefaults("TSwatch", json, error)) << error;
  EXPECT_NE(json.find("\"Color\": \"0xFFFF0000\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"Width\": 20"), std::string::npos) << json;
  EXPECT_FALSE(apps::DescribeDefaults("TNoSuchClass", json, error));
}

}  // namespace
