#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dw::apps {

namespace {

std::string Reason(const std::string& APath, int AErrno) { return APath + ": " + std::strerror(AErrno); }

// Writes all bytes, retrying short writes and interruptions; 0 or the errno.
int WriteAll(int AFd, const std::string& ABytes) {
  size_t done = 0;
  while (done < ABytes.size()) {
    const ssize_t n = ::write(AFd, ABytes.data() + done, ABytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += size_t(n);
  }
  return 0;
}

// Opens an existing file for writing and writes into it (devices, FIFOs, files rewritten in place).
bool WriteInto(const std::string& APath, const std::string& ABytes, int AFlags, std::string& AError) {
  const int fd = ::open(APath.c_str(), O_WRONLY | O_CLOEXEC | AFlags);
  if (fd < 0) {
    AError = Reason(APath, errno);
    return false;
  }
  int err = WriteAll(fd, ABytes);
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) AError = Reason(APath, err);
  return err == 0;
}

std::string FolderOf(const std::string& APath) {
  const size_t slash = APath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : APath.substr(0, slash);
}

}  // namespace

bool WriteOutputFile(const std::string& APath, const std::string& ABytes, std::string& AError) {
  if (APath == "-") {
    const int err = WriteAll(STDOUT_FILENO, ABytes);
    if (err != 0) AError = Reason("standard output", err);
    return err == 0;
  }
  struct stat target {};
  const bool exists = ::stat(APath.c_str(), &target) == 0;
  if (!exists && errno != ENOENT) {
    AError = Reason(APath, errno);
    return false;
  }
  if (exists && S_ISDIR(target.st_mode)) {
    AError = Reason(APath, EISDIR);
    return false;
  }
  // Devices and FIFOs are written into: replacing /dev/null with a file would break the system.
  if (exists && !S_ISREG(target.st_mode)) return WriteInto(APath, ABytes, 0, AError);

  // Replacing needs only a writable folder: a file the caller may not write is left alone, as a
  // shell redirection would leave it.
  if (exists && ::access(APath.c_str(), W_OK) != 0) {
    AError = Reason(APath, errno);
    return false;
  }
  // A link to a file: the file it leads to is replaced (the temporary goes beside it), the link
  // stays.
  std::string path = APath;
  struct stat entry {};
  if (exists && ::lstat(APath.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
    char* real = ::realpath(APath.c_str(), nullptr);
    if (!real) {
      AError = Reason(APath, errno);
      return false;
    }
    path = real;
    std::free(real);
  }

  // mkstemp creates with O_CREAT | O_EXCL: a name planted beforehand (a link included) is never
  // opened, and each run gets a name of its own.
  std::string temp = FolderOf(path) + "/.dwrender-XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    const int err = errno;
    // A writable file in a folder where nothing can be created is rewritten in place.
    if (exists && (err == EACCES || err == EROFS || err == EPERM) && ::access(APath.c_str(), W_OK) == 0)
      return WriteInto(APath, ABytes, O_TRUNC, AError);
    AError = Reason(APath, err);
    return false;
  }
  temp.assign(name.data());
  // The new file keeps the old one's owner (where we may give it) and permissions, but not
  // set-user-ID, set-group-ID or sticky bits; a new name gets the usual ones (umask applies).
  mode_t mode = 0;
  if (exists) {
    mode = target.st_mode & 0777;
    // Only the superuser may give a file away; others keep at least its group where they may.
    const bool owned =
        ::fchown(fd, target.st_uid, target.st_gid) == 0 || ::fchown(fd, uid_t(-1), target.st_gid) == 0;
    (void)owned;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  int err = WriteAll(fd, ABytes);
  if (err == 0 && ::fchmod(fd, mode) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    AError = Reason(APath, err);
    return false;
  }
  return true;
}

bool CheckOutputIsNotInput(const std::string& AOutput, const std::string& AInput, std::string& AError) {
  struct stat out {}, in {};
  if (AOutput == "-" || ::stat(AOutput.c_str(), &out) != 0 || ::stat(AInput.c_str(), &in) != 0) return true;
  // Only a regular file is replaced by a write: a FIFO or a terminal read and written is not lost.
  if (!S_ISREG(in.st_mode) || out.st_dev != in.st_dev || out.st_ino != in.st_ino) return true;
  AError = AOutput + ": is the form " + AInput + " (writing the picture would replace it)";
  return false;
}

bool CheckOutputPlace(const std::string& APath, std::string& AError) {
  if (APath == "-") return true;
  struct stat info {};
  if (::stat(APath.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) return true;
    AError = Reason(APath, EISDIR);
    return false;
  }
  if (errno != ENOENT) {
    AError = Reason(APath, errno);
    return false;
  }
  // A new name: its folder must be there.
  const std::string folder = FolderOf(APath);
  if (::stat(folder.c_str(), &info) != 0) {
    AError = Reason(APath, errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    AError = Reason(APath, ENOTDIR);
    return false;
  }
  return true;
}

bool ReadInputFile(const std::string& APath, size_t AMaxBytes, std::string& AText, std::string& AError) {
  AText.clear();
  const int fd = ::open(APath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    AError = Reason(APath, errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    AError = Reason(APath, EISDIR);
    return false;
  }
  // Read as a stream whatever the file is (/dev/zero, a FIFO): one byte more than allowed tells
  // a file at the cap from a longer one.
  char buffer[65536];
  int err = 0;
  bool tooLong = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    if (AText.size() + size_t(n) > AMaxBytes) {
      tooLong = true;
      break;
    }
    AText.append(buffer, size_t(n));
  }
  ::close(fd);
  if (err != 0) {
    AError = Reason(APath, err);
    return false;
  }
  if (tooLong) {
    AText.clear();
    AError = APath + ": longer than " + std::to_string(AMaxBytes) + " bytes (raise the limit with --max-form-bytes)";
    return false;
  }
  return true;
}

}  // namespace dw::apps
