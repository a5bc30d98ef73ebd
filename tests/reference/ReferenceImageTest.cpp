// Reference images: each picture in tests/reference/images, named FORM@Nx.png, is the example form
// examples/forms/FORM.json rendered at device scale N by the render command's own session (virtual
// time at its start, the clock at kReferenceNow). A render that drifts from its reference beyond
// the tolerance fails and leaves the actual picture and a difference picture in the build folder.
// The references are regenerated only by scripts/update-references.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FormRender.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/host/DateTime.h"

namespace {

namespace fs = std::filesystem;
using namespace dw;

// What the update script passes as --now, so that clocks show the same time in both.
constexpr const char* kReferenceNow = "2026-01-01T10:08:30";

// A pixel counts as changed when one of its channels (unpremultiplied) moved by more than
// kChangedLevel; edges drawn by Cairo's own rasteriser instead of the computed coverage move by up
// to about 25 levels, so that alone does not count. A picture fails when any channel moved by more
// than kMaxLevel, or when more than kMaxChangedShare of its pixels changed.
constexpr int kChangedLevel = 32;
constexpr int kMaxLevel = 160;
constexpr double kMaxChangedShare = 0.004;

struct TReference {
  std::string Name;  // FORM@Nx
  std::string Form;
  float Scale = 1;
  fs::path Image;
};

void PrintTo(const TReference& AReference, std::ostream* AOut) { *AOut << AReference.Name; }

std::vector<TReference> References() {
  std::vector<TReference> result;
  const fs::path dir = fs::path(DW_SOURCE_DIR) / "tests/reference/images";
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    const std::string stem = entry.path().stem().string();
    const size_t at = stem.rfind('@');
    if (entry.path().extension() != ".png" || at == std::string::npos || stem.back() != 'x') continue;
    TReference r;
    r.Name = stem;
    r.Form = stem.substr(0, at);
    r.Scale = std::strtof(stem.substr(at + 1).c_str(), nullptr);
    r.Image = entry.path();
    result.push_back(r);
  }
  std::sort(result.begin(), result.end(), [](const TReference& a, const TReference& b) { return a.Name < b.Name; });
  return result;
}

std::string ReadFile(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Channel(TAlphaColor c, int AShift) { return int((c >> AShift) & 0xFF); }

struct TDifference {
  int MaxLevel = 0;
  size_t Changed = 0;
  gp::Bitmap Picture;  // changed pixels red, moved ones grey by how far, the rest faint
};

TDifference Compare(const gp::Bitmap& AExpected, const gp::Bitmap& AActual) {
  TDifference d;
  d.Picture = gp::Bitmap(AActual.Width(), AActual.Height());
  for (int y = 0; y < AActual.Height(); ++y)
    for (int x = 0; x < AActual.Width(); ++x) {
      const TAlphaColor a = AExpected.GetPixel(x, y), b = AActual.GetPixel(x, y);
      int level = 0;
      for (int shift = 0; shift <= 24; shift += 8) level = std::max(level, std::abs(Channel(a, shift) - Channel(b, shift)));
      d.MaxLevel = std::max(d.MaxLevel, level);
      TAlphaColor shown;
      if (level > kChangedLevel) {
        ++d.Changed;
        shown = 0xFFFF0000;
      } else if (level > 0) {
        const uint32_t v = uint32_t(255 - std::min(255, level * 8));
        shown = 0xFF000000 | (v << 16) | (v << 8) | v;
      } else {
        const uint32_t v = uint32_t(255 - Channel(b, 8) / 8);
        shown = 0xFF000000 | (v << 16) | (v << 8) | v;
      }
      d.Picture.SetPixel(x, y, shown);
    }
  return d;
}

class ReferenceImage : public testing::TestWithParam<TReference> {};

TEST_P(ReferenceImage, RendersWithinTolerance) {
  const TReference& r = GetParam();
  std::unique_ptr<gp::Bitmap> expected = gp::Bitmap::LoadPng(r.Image.string());
  ASSERT_TRUE(expected) << "cannot read " << r.Image;

  apps::TFormSession session;
  std::string error;
  const fs::path form = fs::path(DW_SOURCE_DIR) / "examples/forms" / (r.Form + ".json");
  // The host's time is set before the form loads, as the render command does with --now: a clock
  // takes its time when it loads and next on its timer, which a single render never runs.
  TDateTime now = 0;
  ASSERT_TRUE(ISOToDateTime(kReferenceNow, now));
  session.Host().SetNow(now);
  ASSERT_TRUE(session.Load(ReadFile(form), error)) << form << ": " << error;
  const gp::Bitmap actual = session.Render(r.Scale);

  ASSERT_EQ(actual.Width(), expected->Width()) << r.Name;
  ASSERT_EQ(actual.Height(), expected->Height()) << r.Name;
  const TDifference d = Compare(*expected, actual);
  const size_t allowed = size_t(kMaxChangedShare * double(actual.Width()) * actual.Height());
  if (d.MaxLevel > kMaxLevel || d.Changed > allowed) {
    const fs::path out = fs::path(DW_BINARY_DIR) / "reference-failures";
    fs::create_directories(out);
    const fs::path actualPath = out / (r.Name + ".actual.png"), diffPath = out / (r.Name + ".diff.png");
    actual.SavePng(actualPath.string());
    d.Picture.SavePng(diffPath.string());
    ADD_FAILURE() << r.Name << ": largest channel difference " << d.MaxLevel << " (at most " << kMaxLevel << "), "
                  << d.Changed << " pixels changed by more than " << kChangedLevel << " levels (at most " << allowed
                  << ")\n  actual:     " << actualPath.string() << "\n  difference: " << diffPath.string()
                  << "\n  reference:  " << r.Image.string();
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, ReferenceImage, testing::ValuesIn(References()),
                         [](const testing::TestParamInfo<TReference>& AInfo) {
                           std::string name = AInfo.param.Name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// A picture that moved must fail: the comparison is the one thing here that could hide a fault.
TEST(ReferenceCompare, CountsChangedPixelsAndTheLargestDifference) {
  gp::Bitmap a(20, 10), b(20, 10);
  a.Clear(0xFFFFFFFF);
  b.Clear(0xFFFFFFFF);
  b.SetPixel(3, 4, 0xFFFFFFF0);  // moved by 15: not a change
  b.SetPixel(5, 5, 0xFF000000);  // a real change
  b.SetPixel(6, 5, 0x00FFFFFF);  // only alpha moved
  const TDifference d = Compare(a, b);
  EXPECT_EQ(d.MaxLevel, 255);
  EXPECT_EQ(d.Changed, 2u);
  EXPECT_EQ(d.Picture.GetPixel(5, 5), 0xFFFF0000u);
  EXPECT_NE(d.Picture.GetPixel(3, 4), d.Picture.GetPixel(0, 0));
}

}  // namespace
