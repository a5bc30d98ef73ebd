// dwrender: renders Dialworks forms (and the drawing-surface test card) to PNG files.
//
//   dwrender FORM.json -o OUT.png [--set Comp.Path=Value]... [--time MS] [--now ISO] [--scale F]
//   dwrender FORM.json --frames N --interval MS -o out_%03d.png
//   dwrender --list | --defaults CLASS | --template CLASS | --doc | --schema | --version
//   dwrender --test-card OUT.png
//
// Bad forms, unknown classes or paths, bad values and bad options print one message and exit
// with 2; no output file is written then. Failures to write exit with 1 and name the OS reason.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "CliNumber.h"
#include "FormRender.h"
#include "OutputFile.h"
#include "Reference.h"
#include "TestCard.h"
#include "dialworks/host/DateTime.h"

namespace {

int Fail(const std::string& AMessage, int ACode = 2) {
  std::fprintf(stderr, "dwrender: %s\n", AMessage.c_str());
  return ACode;
}

// Prints what --list, --doc, --schema, --template and --defaults ask for; output that cannot be
// written (a full disk) fails the command as a picture would.
int Print(const std::string& AText) {
  errno = 0;
  std::fputs(AText.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  return Fail(std::string("cannot write standard output: ") + std::strerror(errno != 0 ? errno : EIO), 1);
}

using dw::apps::Number;

int Run(int argc, char** argv) {
  CLI::App app{"dwrender: render Dialworks forms to PNG"};
  std::string form, output, testCard, defaultsClass, now;
  std::vector<std::string> sets;
  double time = 0, interval = 40, maxPixels = dw::TFormRenderOptions::DefaultMaxPixels;
  double maxFormBytes = double(dw::apps::DefaultMaxFormBytes);
  int frames = 0;
  float scale = 1;
  bool list = false, doc = false, schema = false;
  std::string templateClass;
  app.add_option("form", form, "the JSON form to render");
  app.add_option("-o,--output", output,
                 "the PNG file, - for standard output (with --frames, a pattern such as out_%03d.png)");
  app.add_option("--set", sets, "Component.Path=Value, set through the property's setter (repeatable)");
  app.add_option("--time", time, "virtual milliseconds to advance before rendering")
      ->check(Number(0, dw::TFormRenderOptions::MaxTime));
  app.add_option("--frames", frames, "render a sequence of N frames")->check(Number(1, 100000));
  app.add_option("--interval", interval, "virtual milliseconds between frames")->check(Number(0, 1e7));
  app.add_option("--now", now, "the host's clock time, e.g. 2026-01-01T10:08:30");
  app.add_option("--scale", scale, "device scale (2 renders twice the pixels)")->check(Number(0.1, 16));
  app.add_option("--max-pixels", maxPixels, "the most pixels one picture may have")
      ->check(Number(1, double(dw::apps::MaxBitmapSide) * dw::apps::MaxBitmapSide))
      ->capture_default_str();
  app.add_option("--max-form-bytes", maxFormBytes, "the longest form file read")
      ->check(Number(1, 1 << 30, true))
      ->capture_default_str();
  app.add_flag("--list", list, "print the registered classes by unit, kind, family and category");
  app.add_option("--defaults", defaultsClass, "print a class's property tree with its defaults as JSON");
  app.add_option("--template", templateClass, "print a form holding CLASS with every property at its default");
  app.add_flag("--doc", doc, "print the property reference of every registered class (Markdown)");
  app.add_flag("--schema", schema, "print the JSON schema of forms");
  app.set_version_flag("--version", dw::apps::VersionText());
  app.add_option("--test-card", testCard, "render the drawing-surface test card to this PNG file");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return Fail(e.what());
  }
  // Messages go to standard error when the picture itself goes to standard output.
  auto wrote = [](const std::string& AWhat, bool AToStdout) {
    std::fprintf(AToStdout ? stderr : stdout, "wrote %s\n", AWhat.c_str());
  };

  if (list) return Print(dw::apps::ListRegistrations());
  if (doc || schema) return Print(doc ? dw::apps::ReferenceMarkdown() : dw::apps::FormSchemaText());
  if (!templateClass.empty()) {
    std::string json, error;
    if (!dw::apps::FormTemplate(templateClass, json, error)) return Fail(error);
    return Print(json);
  }
  if (!defaultsClass.empty()) {
    std::string json, error;
    if (!dw::apps::DescribeDefaults(defaultsClass, json, error)) return Fail(error);
    return Print(json);
  }
  if (!testCard.empty()) {
    std::string error;
    if (!dw::apps::RenderTestCard(testCard, error)) return Fail("cannot write " + error, 1);
    wrote(testCard, testCard == "-");
    return 0;
  }
  if (form.empty() || output.empty()) return Fail("give a form and -o OUT.png (see --help)");
  std::string error;
  if (frames > 0 && output == "-") return Fail("--frames writes files: give a pattern such as -o out_%03d.png");
  if (frames > 0 && !dw::apps::CheckFramePattern(output, error)) return Fail(error);

  dw::TFormSession session;
  if (!now.empty()) {
    dw::TDateTime at = 0;
    if (!dw::ISOToDateTime(now, at)) return Fail("--now " + now + ": expected YYYY-MM-DDTHH:MM:SS");
    session.Host().SetNow(at);
  }
  if (!dw::apps::LoadFormFile(session, form, error, size_t(maxFormBytes))) return Fail(error);
  // No picture replaces the form it comes from, whatever name (a link, a hard link) leads to it.
  for (int i = 0; i < std::max(frames, 1); ++i)
    if (!dw::apps::CheckOutputIsNotInput(frames == 0 ? output : dw::apps::FrameFileName(output, i), form, error))
      return Fail(error);
  int width = 0, height = 0;
  if (!session.RenderSize(scale, maxPixels, width, height, error)) return Fail(form + ": " + error);
  for (const std::string& s : sets)
    if (!session.Set(s, error)) return Fail(error);
  if (time > 0) session.Advance(time);
  if (!session.CheckPaintedArea(scale, maxPixels, error)) return Fail(form + ": " + error);

  if (frames == 0) {
    if (!dw::apps::SavePng(session.Render(scale, true), output, error)) return Fail("cannot write " + error, 1);
    wrote(output, output == "-");
    return 0;
  }
  for (int i = 0; i < frames; ++i) {
    if (i > 0) session.Advance(interval);
    const std::string name = dw::apps::FrameFileName(output, i);
    if (!dw::apps::SavePng(session.Render(scale), name, error)) return Fail("cannot write " + error, 1);
    if (frames >= 20 && (i % 10 == 9 || i == frames - 1)) std::fprintf(stderr, "\rframe %d/%d", i + 1, frames);
  }
  if (frames >= 20) std::fputc('\n', stderr);
  std::printf("wrote %d frames\n", frames);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return dw::apps::GuardedMain([&] { return Run(argc, argv); }, Fail);
}
