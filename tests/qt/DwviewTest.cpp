// The live viewer as a user starts it: a form shown offscreen and photographed, bad forms and
// options refused before any window, with the render command's wording.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <string>

namespace {

struct TRun {
  int Code = -1;
  std::string Out, Err;
};

// Runs on the offscreen platform, or without any window system for ANoDisplay.
// ADisplay: null runs on the offscreen platform; otherwise no platform is chosen, and DISPLAY is
// ADisplay ("" none).
TRun Start(const char* AProgram, const QStringList& AArgs, const char* ADisplay = nullptr) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  if (ADisplay) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
    if (*ADisplay) env.insert("DISPLAY", ADisplay);
  }
  p.setProcessEnvironment(env);
  p.start(AProgram, AArgs);
  TRun r;
  if (!p.waitForFinished(60000)) return r;
  r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.Out = p.readAllStandardOutput().toStdString();
  r.Err = p.readAllStandardError().toStdString();
  return r;
}

// The message after the program's name (Qt may write its own warnings before it).
std::string Message(const std::string& AErr, const std::string& AProgram) {
  const std::string prefix = AProgram + ": ";
  const size_t at = AErr.find(prefix);
  return at == std::string::npos ? AErr : AErr.substr(at + prefix.size());
}

const QString Forms = QStringLiteral(DW_SOURCE_DIR "/examples/forms/");

}  // namespace

TEST(Dwview, ShowsAFormWithSetValuesAndWritesItsPicture) {
  QTemporaryDir dir;
  const QString shot = dir.filePath("shot.png");
  const TRun r = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--set", "Gauge.Value=40", "--screenshot", shot,
                                     "--quit-after", "300"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  QImage picture(shot);
  ASSERT_FALSE(picture.isNull());
  // The picture is the form at its size, as the render command draws it.
  const QString rendered = dir.filePath("rendered.png");
  ASSERT_EQ(Start(DWRENDER_PATH, {Forms + "angular-default.json", "-o", rendered}).Code, 0);
  EXPECT_EQ(picture.size(), QImage(rendered).size());

  // "-" is standard output; a write cut short (here by a file size limit) leaves the old picture
  // whole rather than a torn one.
  const TRun out = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--screenshot", "-", "--quit-after", "100"});
  ASSERT_EQ(out.Code, 0) << out.Err;
  EXPECT_EQ(out.Out.substr(0, 4), "\x89PNG");
  const QByteArray old = [&] {
    QFile f(shot);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  const TRun cut = Start("prlimit", {"--fsize=100", DWVIEW_PATH, Forms + "angular-default.json", "--screenshot", shot,
                                     "--quit-after", "100"});
  EXPECT_NE(cut.Code, 0);
  QFile after(shot);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), old);
}

TEST(Dwview, BadFormsAndOptionsExitTwoBeforeAnyWindow) {
  QTemporaryDir dir;
  const QString broken = dir.filePath("broken.json");
  {
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"components": [{"class": "TDWAngularGauge", "name": "G", "properties": {"Max": "lots"}}]})");
  }
  const QString shot = dir.filePath("never.png");
  for (const QStringList& args : {QStringList{broken}, QStringList{dir.filePath("missing.json")}}) {
    const TRun view = Start(DWVIEW_PATH, args + QStringList{"--screenshot", shot, "--quit-after", "100"});
    const TRun render = Start(DWRENDER_PATH, args + QStringList{"-o", shot});
    EXPECT_EQ(view.Code, 2);
    EXPECT_EQ(render.Code, 2);
    EXPECT_EQ(Message(view.Err, "dwview"), Message(render.Err, "dwrender"));
  }
  const TRun badSet = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--set", "Nobody.Value=1"});
  EXPECT_EQ(badSet.Code, 2);
  EXPECT_NE(badSet.Err.find("Nobody"), std::string::npos);
  for (const char* bad : {"nan", "-5", "inf", "x"}) {
    const TRun r = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--quit-after", bad});
    EXPECT_EQ(r.Code, 2) << bad;
  }
  EXPECT_EQ(Start(DWVIEW_PATH, {Forms + "angular-default.json", "--screenshot", shot}).Code, 2);  // no --quit-after
  EXPECT_EQ(Start(DWVIEW_PATH, {Forms + "angular-default.json", "--demo-interval", "100", "--quit-after", "100"}).Code,
            2);  // no --demo
  // A byte count is whole: 100000.5 is not taken as 100000.
  const TRun bytes = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--max-form-bytes", "100000.5", "--screenshot",
                                         shot, "--quit-after", "100"});
  EXPECT_EQ(bytes.Code, 2) << bytes.Err;
  EXPECT_EQ(Start(DWRENDER_PATH, {Forms + "angular-default.json", "--max-form-bytes", "100000.5", "-o", shot}).Code, 2);
  // A screenshot that could never be written is refused at once, not when the time is up.
  for (const QString& place : {dir.path(), dir.filePath("missing/shot.png")}) {
    const TRun r = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--screenshot", place, "--quit-after", "5000"});
    EXPECT_EQ(r.Code, 2) << r.Err;
    EXPECT_EQ(Message(r.Err, "dwview").rfind("cannot write " + place.toStdString() + ": ", 0), 0u) << r.Err;
  }
  EXPECT_FALSE(QFile::exists(shot));
}

// Without any window system the viewer says so instead of aborting in Qt; a screenshot needs no
// display and is taken offscreen.
TEST(Dwview, WithoutADisplayOnlyScreenshotsRun) {
  QTemporaryDir dir;
  const QString shot = dir.filePath("shot.png");
  // None named, and one named that cannot be reached (Qt aborted on either).
  for (const char* display : {"", ":9987"}) {
    const TRun shown = Start(DWVIEW_PATH, {Forms + "angular-default.json", "--quit-after", "100"}, display);
    EXPECT_EQ(shown.Code, 2) << display << ": " << shown.Err;
    EXPECT_EQ(Message(shown.Err, "dwview").rfind(*display ? "cannot reach the display" : "no display", 0), 0u)
        << shown.Err;
    QFile::remove(shot);
    const TRun shot1 =
        Start(DWVIEW_PATH, {Forms + "angular-default.json", "--screenshot", shot, "--quit-after", "100"}, display);
    EXPECT_EQ(shot1.Code, 0) << display << ": " << shot1.Err;
    EXPECT_FALSE(QImage(shot).isNull()) << display;
  }
}

// A picture never replaces the form it was made from: named as it is, through a link, or as one
// frame of a sequence. Nothing is written then, the form stays as it was.
TEST(Dwview, OutputsNeverReplaceTheFormTheyRead) {
  QTemporaryDir dir;
  const QString form = dir.filePath("seq1.json"), link = dir.filePath("link.png");
  ASSERT_TRUE(QFile::copy(Forms + "angular-default.json", form));
  ASSERT_TRUE(QFile::link(form, link));
  const QByteArray before = [&] {
    QFile f(form);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  ASSERT_FALSE(before.isEmpty());
  for (const QString& out : {form, link}) {
    const TRun render = Start(DWRENDER_PATH, {form, "-o", out});
    EXPECT_EQ(render.Code, 2) << render.Err;
    EXPECT_NE(render.Err.find("is the form"), std::string::npos) << render.Err;
    const TRun view = Start(DWVIEW_PATH, {form, "--screenshot", out, "--quit-after", "100"});
    EXPECT_EQ(view.Code, 2) << view.Err;
    EXPECT_NE(view.Err.find("is the form"), std::string::npos) << view.Err;
  }
  // The second frame would be the form: refused before the first is written.
  const TRun frames = Start(DWRENDER_PATH, {form, "--frames", "2", "-o", dir.filePath("seq%d.json")});
  EXPECT_EQ(frames.Code, 2) << frames.Err;
  EXPECT_FALSE(QFile::exists(dir.filePath("seq0.json")));
  QFile after(form);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
}

// The demo moves the instruments held as elements too (here only a gauge inside a panel, its
// value at 0 until the demo feeds it): the picture differs from the one without the demo.
TEST(Dwview, DemoFeedsInstrumentsHeldAsElements) {
  QTemporaryDir dir;
  const QString form = dir.filePath("nested.json");
  {
    QFile f(form);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"format": "dialworks-form", "version": 1, "width": 200, "height": 200, "components": [
      {"class": "TDWGlassPanel", "name": "Panel", "properties": {"Width": 200, "Height": 200, "Elements": [
        {"class": "TDWGlassPanelElement", "Size": {"Width": {"Value": 1}, "Height": {"Value": 1}},
         "Position": {"Y": {"Value": 0}}, "Elements": [
          {"class": "TDWExternalAngularGaugeElement", "Size": {"Width": {"Value": 1}, "Height": {"Value": 1}},
           "Position": {"Y": {"Value": 0}}}]}]}}]})");
  }
  const QString still = dir.filePath("still.png"), demo = dir.filePath("demo.png");
  const TRun a = Start(DWVIEW_PATH, {form, "--screenshot", still, "--quit-after", "400"});
  ASSERT_EQ(a.Code, 0) << a.Err;
  const TRun b = Start(DWVIEW_PATH, {form, "--demo", "--demo-interval", "50", "--screenshot", demo, "--quit-after", "400"});
  ASSERT_EQ(b.Code, 0) << b.Err;
  const QImage stillPicture(still), demoPicture(demo);
  ASSERT_FALSE(stillPicture.isNull());
  ASSERT_EQ(stillPicture.size(), demoPicture.size());
  EXPECT_TRUE(stillPicture != demoPicture) << "the gauge held in the panels did not move";
}
