// dwrender: renders Dialworks forms (and the drawing-surface test card) to PNG files.
//
//   dwrender FORM.json -o OUT.png [--set Comp.Path=Value]... [--time MS] [--now ISO] [--scale F]
//   dwrender FORM.json --frames N --interval MS -o out_%03d.png
//   dwrender --list | --defaults CLASS | --template CLASS | --doc | --schema | --version
//   dwrender --test-card OUT.png
//
// Bad forms, unknown classes or paths and bad values print one message and exit with 2; no output
// file is written then.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "FormRender.h"
#include "Reference.h"
#include "TestCard.h"
#include "dialworks/host/DateTime.h"

namespace {
int Fail(const std::string& AMessage, int ACode = 2) {
  std::fprintf(stderr, "dwrender: %s\n", AMessage.c_str());
  return ACode;
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"dwrender: render Dialworks forms to PNG"};
  std::string form, output, testCard, defaultsClass, now;
  std::vector<std::string> sets;
  double time = 0, interval = 40;
  int frames = 0;
  float scale = 1;
  bool list = false, doc = false, schema = false;
  std::string templateClass;
  app.add_option("form", form, "the JSON form to render");
  app.add_option("-o,--output", output, "the PNG file (with --frames, a pattern such as out_%03d.png)");
  app.add_option("--set", sets, "Component.Path=Value, set through the property's setter (repeatable)");
  app.add_option("--time", time, "virtual milliseconds to advance before rendering")->check(CLI::Range(0.0, 1e9));
  app.add_option("--frames", frames, "render a sequence of N frames")->check(CLI::Range(1, 100000));
  app.add_option("--interval", interval, "virtual milliseconds between frames")->check(CLI::Range(0.0, 1e7));
  app.add_option("--now", now, "the host's clock time, e.g. 2026-01-01T10:08:30");
  app.add_option("--scale", scale, "device scale (2 renders twice the pixels)")->check(CLI::Range(0.1, 16.0));
  app.add_flag("--list", list, "print the registered classes by unit, kind, family and category");
  app.add_option("--defaults", defaultsClass, "print a class's property tree with its defaults as JSON");
  app.add_option("--template", templateClass, "print a form holding CLASS with every property at its default");
  app.add_flag("--doc", doc, "print the property reference of every registered class (Markdown)");
  app.add_flag("--schema", schema, "print the JSON schema of forms");
  app.set_version_flag("--version", dw::apps::VersionText());
  app.add_option("--test-card", testCard, "render the drawing-surface test card to this PNG file");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }

  if (list) {
    std::fputs(dw::apps::ListRegistrations().c_str(), stdout);
    return 0;
  }
  if (doc || schema) {
    std::fputs((doc ? dw::apps::ReferenceMarkdown() : dw::apps::FormSchemaText()).c_str(), stdout);
    return 0;
  }
  if (!templateClass.empty()) {
    std::string json, error;
    if (!dw::apps::FormTemplate(templateClass, json, error)) return Fail(error);
    std::fputs(json.c_str(), stdout);
    return 0;
  }
  if (!defaultsClass.empty()) {
    std::string json, error;
    if (!dw::apps::DescribeDefaults(defaultsClass, json, error)) return Fail(error);
    std::fputs(json.c_str(), stdout);
    return 0;
  }
  if (!testCard.empty()) {
    if (!dw::apps::RenderTestCard(testCard)) return Fail("could not write " + testCard, 1);
    std::printf("wrote %s\n", testCard.c_str());
    return 0;
  }
  if (form.empty() || output.empty()) return Fail("give a form and -o OUT.png (see --help)");

  dw::apps::TFormSession session;
  std::string error;
  if (!now.empty()) {
    dw::TDateTime at = 0;
    if (!dw::ISOToDateTime(now, at)) return Fail("--now " + now + ": expected YYYY-MM-DDTHH:MM:SS");
    session.Host().SetNow(at);
  }
  if (!session.LoadFile(form, error)) return Fail(error);
  for (const std::string& s : sets)
    if (!session.Set(s, error)) return Fail(error);
  if (time > 0) session.Advance(time);

  if (frames == 0) {
    if (!dw::apps::SavePngAtomically(session.Render(scale), output)) return Fail("could not write " + output, 1);
    std::printf("wrote %s\n", output.c_str());
    return 0;
  }
  for (int i = 0; i < frames; ++i) {
    if (i > 0) session.Advance(interval);
    const std::string name = dw::apps::FrameFileName(output, i);
    if (!dw::apps::SavePngAtomically(session.Render(scale), name)) return Fail("could not write " + name, 1);
    if (frames >= 20 && (i % 10 == 9 || i == frames - 1)) std::fprintf(stderr, "\rframe %d/%d", i + 1, frames);
  }
  if (frames >= 20) std::fputc('\n', stderr);
  std::printf("wrote %d frames\n", frames);
  return 0;
}
