// The render command's work, apart from its command line and the library's form rendering: read
// form files, write pictures, describe classes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Form.h"
#include "dialworks/package/FormRender.h"

namespace dw::apps {

// The form session and the render itself are the library's (dialworks/package/FormRender.h).
using dw::EncodePng;
using dw::MaxBitmapSide;
using dw::TFormSession;

constexpr size_t DefaultMaxFormBytes = 16u << 20;  // --max-form-bytes
// Reads a form file (any kind of file: FIFOs and devices are read as streams) of at most AMaxBytes
// and loads it into ASession; false with "<path>: <reason>" in AError.
bool LoadFormFile(TFormSession& ASession, const std::string& APath, std::string& AError,
                  size_t AMaxBytes = DefaultMaxFormBytes);

// One control alone at its current size, as the form render draws it (empty for a size of 0).
gp::Bitmap RenderControl(TKVBasicControl& AControl);

// Writes a bitmap as PNG to APath ("-": standard output) as WriteOutputFile does: a failed write
// leaves the old file as it was; false with "<path>: <reason>" in AError.
bool SavePng(const gp::Bitmap& ABitmap, const std::string& APath, std::string& AError);

// The registered classes, one line each: unit, kind, family, category, class.
std::string ListRegistrations();
// The whole property tree of a new object of a registered class, every property with its
// current (default) value; false with the message in AError for unknown classes.
bool DescribeDefaults(const std::string& AClassName, std::string& AJson, std::string& AError);

// Expands one printf-style "%d"/"%03d" in a frame file pattern; patterns without one get
// "_NNN" before the extension. Widths beyond MaxFrameDigits count as MaxFrameDigits
// (CheckFramePattern refuses them).
std::string FrameFileName(const std::string& APattern, int AIndex);
constexpr int MaxFrameDigits = 12;
bool CheckFramePattern(const std::string& APattern, std::string& AError);

}  // namespace dw::apps
