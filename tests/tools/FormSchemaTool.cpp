// Helper of the form-schema test: the schema with the framework's test classes registered too
// (their forms make the fuzz corpus), and whether form files load.
//
//   form_schema_tool --schema          prints the schema
//   form_schema_tool --loads FILE...   exit 0 when every file loads; refusals are printed
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Reference.h"
#include "TestClasses.h"
#include "dialworks/framework/Form.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

int main(int argc, char** argv) {
  dw::RegisterDialworksPackage();
  dwtest::RegisterTestClasses();
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--schema" && argc == 2) {
    std::fputs(dw::apps::FormSchemaText().c_str(), stdout);
    return 0;
  }
  if (mode != "--loads" || argc < 3) {
    std::fprintf(stderr, "usage: form_schema_tool --schema | --loads FILE...\n");
    return 2;
  }
  dw::TManualHost host;  // timers of the loaded components run on it
  dw::SetHostServices(&host);
  int refused = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    dw::TFormLoadResult r = dw::LoadForm(text.str());
    if (!in || !r) {
      std::printf("%s: %s\n", argv[i], in ? r.Error.c_str() : "cannot be read");
      ++refused;
    }
  }
  return refused == 0 ? 0 : 1;
}
