// fontconfig, Pango, HarfBuzz and GLib keep process-wide caches (font lists, shaped-font maps,
// type registrations) that are never freed; LeakSanitizer would report them at exit. Our own
// objects are still checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libpango\n"
         "leak:libpangoft2\n"
         "leak:libpangocairo\n"
         "leak:libharfbuzz\n"
         "leak:libglib\n"
         "leak:libgobject\n"
         "leak:libfreetype\n";
}
