// fontconfig, Pango, HarfBuzz and GLib keep process-wide caches (font lists, shaped-font maps,
// type registrations) that are never freed; LeakSanitizer would report them at exit. Pango also
// initialises fontconfig on a thread of its own ("[pango] FcInit") that reads strings fontconfig
// writes on the calling thread without synchronisation ThreadSanitizer can see (the libraries are
// not instrumented). Qt's platform plugins keep their X11, xcb and D-Bus connection caches for
// the life of the process in the same way. Only these libraries are suppressed; our own objects
// are still checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libpango\n"
         "leak:libpangoft2\n"
         "leak:libpangocairo\n"
         "leak:libharfbuzz\n"
         "leak:libglib\n"
         "leak:libgobject\n"
         "leak:libfreetype\n"
         "leak:libQt6XcbQpa\n"
         "leak:libQt6DBus\n"
         "leak:libdbus-1\n"
         "leak:libxcb\n"
         "leak:libX11\n";
}

extern "C" const char* __tsan_default_suppressions() {
  return "race:libfontconfig\n"
         "race:libpango\n"
         "race:libpangoft2\n"
         "race:libglib\n";
}
