#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<unsigned> g_tempCounter{0};

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The rename is only durable once the folder entry itself reached the disk.
void SyncFolder(const std::string& path) {
  const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

// The file a path finally names: symbolic links are followed (a relative link from its own
// folder), so saving through a link replaces the file it points to and keeps the link. A
// dangling link names the file it would point to. False for a loop of links.
bool ResolveLinks(const std::string& path, std::string& resolved) {
  resolved = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
    const ssize_t n = ::readlink(resolved.c_str(), link.data(), link.size());
    if (n < 0) return true;  // gone meanwhile: write where we are
    link.resize(static_cast<std::size_t>(n));
    if (link.empty()) return true;
    resolved = link.front() == '/' ? link : FolderOf(resolved) + "/" + link;
  }
  return false;
}

}  // namespace

CAtomicFile::~CAtomicFile() { Abort(); }

bool CAtomicFile::Open(const std::string& path) {
  Abort();
  error_ = 0;
  failedOperation_ = nullptr;
  target_ = path;
  if (path.empty()) {
    Fail("open", ENOENT);
    return false;
  }
  if (!ResolveLinks(path, target_)) {
    Fail("open", ELOOP);
    return false;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = target_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
    // 0666 through the umask, as any new file of the user; a replaced file keeps its mode.
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) break;
    if (errno != EEXIST) {
      Fail("open", errno);
      temp_.clear();
      return false;
    }
  }
  if (fd_ < 0) {
    Fail("open", EEXIST);
    temp_.clear();
    return false;
  }
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd_, old.st_mode & 07777);
  return true;
}

bool CAtomicFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0 || error_ != 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd_, p, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("write", errno);
      return false;
    }
    p += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CAtomicFile::Commit() {
  if (fd_ < 0) {
    if (error_ == 0) Fail("commit", EBADF);
    return false;
  }
  if (error_ == 0 && ::fsync(fd_) != 0) Fail("fsync", errno);
  if (::close(fd_) != 0 && error_ == 0) Fail("close", errno);
  fd_ = -1;
  if (error_ == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) Fail("rename", errno);
  if (error_ != 0) {
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  SyncFolder(target_);
  return true;
}

void CAtomicFile::Abort() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

std::string CAtomicFile::ErrorText() const {
  if (error_ == 0) return {};
  return std::string(failedOperation_ ? failedOperation_ : "io") + ": " + std::strerror(error_);
}

void CAtomicFile::Fail(const char* operation, int error) {
  if (error_ != 0) return;  // keep the first cause
  error_ = error != 0 ? error : EIO;
  failedOperation_ = operation;
}

int WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* errorText) {
  CAtomicFile file;
  if (file.Open(path) && file.Write(bytes) && file.Commit()) return 0;
  file.Abort();
  if (errorText) *errorText = file.ErrorText();
  return file.Error();
}

SFileBytes ReadWholeFile(const std::string& path) {
  SFileBytes out;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.error = errno;
    return out;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    out.error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    out.error = EISDIR;
  } else {
    // Files that report no size (pipes, /proc) are read in growing steps.
    std::size_t capacity = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 64 * 1024;
    out.data.reset(new char[capacity]);
    for (;;) {
      if (out.size == capacity) {
        if (st.st_size > 0) break;  // read what the size promised; later growth is not ours
        std::unique_ptr<char[]> bigger(new char[capacity * 2]);
        std::memcpy(bigger.get(), out.data.get(), out.size);
        out.data = std::move(bigger);
        capacity *= 2;
      }
      const ssize_t n = ::read(fd, out.data.get() + out.size, capacity - out.size);
      if (n < 0) {
        if (errno == EINTR) continue;
        out.error = errno;
        break;
      }
      if (n == 0) break;
      out.size += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  if (out.error != 0) {
    out.data.reset();
    out.size = 0;
  }
  return out;
}
