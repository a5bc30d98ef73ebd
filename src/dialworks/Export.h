// DW_API marks the classes and functions that other libraries (the other areas, programs, tests)
// use. Shared builds compile with hidden visibility, so only what carries DW_API is exported;
// static builds are unaffected. On ELF one attribute serves building and using the library.
// Internal headers are annotated too: the tests reach into them across the library boundary.
#pragma once

#if defined(_WIN32) || defined(__CYGWIN__)
#  if defined(DW_SHARED_LIBS)
#    if defined(DW_BUILDING_LIBRARY)
#      define DW_API __declspec(dllexport)
#    else
#      define DW_API __declspec(dllimport)
#    endif
#  else
#    define DW_API
#  endif
#else
#  define DW_API __attribute__((visibility("default")))
#endif
