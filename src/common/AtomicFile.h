#pragma once
// Whole-file reading and atomic file writing for the documents the component keeps on disk
// (layouts, presets, trace and matrix files).
//
// CAtomicFile writes into a temporary file beside the target and only a successful Commit()
// renames it over the target, after flushing it to the disk. A write that fails half-way,
// a crash or an object destroyed without Commit() leaves the old file as it was and no
// temporary file behind. The temporary name is "<target>.tmp-<pid>-<n>". A replaced file
// keeps its permissions. A symbolic link at the path is followed to the file it names: that
// file is replaced atomically (its temporary file lies beside it) and the link stays.
//
// Paths are UTF-8 file-system paths (the engine converts its wide paths at this edge).
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class CAtomicFile {
 public:
  CAtomicFile() = default;
  ~CAtomicFile();  // discards an uncommitted file
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file for `path`. False when it cannot be created (the folder is
  // missing or not writable); Error() tells why.
  bool Open(const std::string& path);
  // Appends bytes; false after any failure (later writes are ignored, Commit() fails).
  bool Write(const void* data, std::size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Flushes to the disk and renames over the target. On failure the temporary file is
  // removed and the target is left as it was.
  bool Commit();
  // Drops the temporary file.
  void Abort();

  bool IsOpen() const { return fd_ >= 0; }
  // errno of the first failure, 0 when none.
  int Error() const { return error_; }
  // Readable text of the first failure (English, for the log), e.g. "rename: Is a directory".
  std::string ErrorText() const;

 private:
  void Fail(const char* operation, int error);

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  int error_ = 0;
  const char* failedOperation_ = nullptr;
};

// Writes `bytes` to `path` through a CAtomicFile. Returns 0 or the errno of the failure;
// `errorText` (optional) receives its readable text.
int WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* errorText = nullptr);

// The bytes of a whole file, read with one buffer of the file's size (no zero-filling, so
// large matrix files cost one read).
struct SFileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
  int error = 0;  // errno of the failure (ENOENT for a missing file), 0 on success

  std::string_view View() const { return {data.get(), size}; }
};
SFileBytes ReadWholeFile(const std::string& path);
