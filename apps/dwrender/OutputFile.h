// Where the render command's bytes go: PNG files written so that a failure never leaves a torn
// or half-written file, devices and FIFOs written into, standard output for "-", and the form
// file read with a size cap whatever kind of file it is.
#pragma once

#include <cstddef>
#include <string>

#include "dialworks/draw/Bitmap.h"

namespace dw::apps {

// Writes ABytes to APath:
//  - "-": standard output;
//  - an existing target that is not a regular file (a device, a FIFO, a link to one): written
//    into, never replaced;
//  - an existing file the caller may not write: refused, the file stays as it was;
//  - otherwise: a uniquely named temporary file created exclusively beside the target (for a link:
//    beside the file it leads to, the link stays), then renamed over it with the old file's
//    permission bits (not set-user-ID, set-group-ID or sticky) and, where allowed, its owner; the
//    old file stays as it was when anything fails, and the temporary goes;
//  - a writable regular file in a folder where no file can be created: rewritten in place.
// false with "<path>: <OS reason>" in AError.
bool WriteOutputFile(const std::string& APath, const std::string& ABytes, std::string& AError);

// false with "<output>: is the form <input> ..." in AError when AOutput, followed through links, is
// the file AInput names (the same file by device and inode, a hard link included): writing it
// would replace the form that was read. "-", names that do not exist yet and forms that are no
// regular file (a FIFO, a terminal: written into, not replaced) pass.
bool CheckOutputIsNotInput(const std::string& AOutput, const std::string& AInput, std::string& AError);

// false with "<path>: <OS reason>" in AError when no file can be written at APath whatever its
// contents: a folder, or a name in a folder that does not exist. "-" passes. For checks before
// long work; WriteOutputFile still reports what fails later.
bool CheckOutputPlace(const std::string& APath, std::string& AError);

// Reads a whole file (regular or not: FIFOs and devices are read as streams) of at most AMaxBytes;
// false with "<path>: <reason>" in AError, also when the file is longer.
bool ReadInputFile(const std::string& APath, size_t AMaxBytes, std::string& AText, std::string& AError);

}  // namespace dw::apps
