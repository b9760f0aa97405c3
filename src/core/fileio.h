// Whole-file reading and safe replacement, shared by the settings file and the
// data files.
//
// Paths are file-system names, never Windows-1252 texts: the platform's own
// bytes elsewhere (UTF-8 on Linux), UTF-8 on Windows, where they are widened
// for the wide-character calls. Error texts are French, in Windows-1252, and
// give the reason only: the caller names the file the user knows.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace vandoral {

enum class FileState {
    Absent,     // no such file
    Read,       // read whole
    Unreadable, // there, but not readable as a file: never write over it
};

// Largest file read whole; a larger one is refused as unreadable.
constexpr std::size_t ReadLimit = 64u * 1024u * 1024u;

// A regular file exists at `path`.
bool FileExists(const std::string &path);
// Reads a regular file whole. A folder, a device, a pipe or a file that
// cannot be opened or read is Unreadable, with the reason in `error`.
FileState ReadWholeFile(const std::string &path, std::string &bytes, std::string *error = nullptr);
// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`. The old file stays intact when anything fails; then
// `error` says why.
bool WriteFileReplacing(const std::string &path, const std::string &bytes, std::string *error);
// For tests: the next WriteFileReplacing fails as a full disk would, after
// writing `afterBytes` bytes of the temporary file.
void InjectWriteFailure(std::size_t afterBytes);

// The C library's file calls on a file-system name (wide on Windows).
std::FILE *OpenFile(const std::string &path, const char *mode);
bool RemoveFile(const std::string &path);
// Hands what was written to `f` to the disk (fflush, then fsync or
// FlushFileBuffers); false with the error number in `err`.
bool FlushToDisk(std::FILE *f, int &err);

// An advisory lock on the whole of the open file `f`, held until it is closed,
// and released by the system when the process ends (a crash frees it). False
// when another open of the file holds it, in this process or another, on this
// computer or another one sharing the folder.
bool LockWholeFile(std::FILE *f);
// Empties the open file `f` (its lock kept).
bool EmptyOpenFile(std::FILE *f);
// The file at `path` is locked by another open of it (a journal being
// written by a program still running).
bool FileLockedElsewhere(const std::string &path);
// This computer's name and this process's number, to tell who writes a file.
std::string ComputerName();
int CurrentProcessId();

// The French reason for a C library error number.
std::string ErrnoText(int err);
#ifdef _WIN32
// The French reason for a Windows error code (GetLastError).
std::string WindowsErrorText(unsigned long code);
// A UTF-8 file-system name widened for the wide-character calls.
std::wstring WideName(const std::string &utf8);
#endif

} // namespace vandoral
