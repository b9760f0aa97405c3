#include "fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vandoral {

namespace {

std::size_t injectedFailure = std::string::npos;

#ifdef _WIN32
using StatBuf = struct _stat64;
int Stat(const std::string &path, StatBuf &st) { return _wstat64(WideName(path).c_str(), &st); }
std::FILE *Open(const std::string &path, const char *mode)
{
    return _wfopen(WideName(path).c_str(), WideName(mode).c_str());
}
int Remove(const std::string &path) { return _wremove(WideName(path).c_str()); }
bool IsRegular(const StatBuf &st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
int ProcessId() { return _getpid(); }
// Someone else has the file open (an exclusive open is refused for sharing).
bool HeldByAnotherProgram(const std::string &path)
{
    const HANDLE h =
        CreateFileW(WideName(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}
#else
using StatBuf = struct stat;
int Stat(const std::string &path, StatBuf &st) { return ::stat(path.c_str(), &st); }
std::FILE *Open(const std::string &path, const char *mode) { return std::fopen(path.c_str(), mode); }
int Remove(const std::string &path) { return std::remove(path.c_str()); }
bool IsRegular(const StatBuf &st) { return S_ISREG(st.st_mode); }
int ProcessId() { return static_cast<int>(::getpid()); }
#endif

// Windows' C library says "access denied" for a folder in the way and "not
// found" for a path through a regular file; give the reasons the user can act
// on, the same on every system.
int OpenError(const std::string &path, int err)
{
    StatBuf st;
    if (err == EACCES && Stat(path, st) == 0 && !IsRegular(st))
        return EISDIR;
    if (err == ENOENT) {
        std::string parent = path;
        for (;;) {
            const auto slash = parent.find_last_of("/\\");
            if (slash == std::string::npos || slash == 0)
                break;
            parent.resize(slash);
            if (Stat(parent, st) == 0)
                return IsRegular(st) ? ENOTDIR : err;
        }
    }
    return err;
}

bool Fail(std::string *error, const std::string &reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

void InjectWriteFailure(std::size_t afterBytes)
{
    injectedFailure = afterBytes;
}

std::string ErrnoText(int err)
{
    switch (err) {
    case ENOSPC: return "disque plein";
#ifdef EDQUOT
    case EDQUOT: return "quota du disque d\xE9pass\xE9";
#endif
    case EACCES:
    case EPERM: return "acc\xE8s refus\xE9";
    case EROFS: return "support en lecture seule";
    case ENOENT: return "dossier ou fichier introuvable";
    case ENOTDIR: return "un \xE9l\xE9ment du chemin n'est pas un dossier";
    case EISDIR: return "c'est un dossier";
    case ENAMETOOLONG: return "nom trop long";
    case EIO: return "erreur de lecture ou d'\xE9" "criture sur le support";
    case EBUSY: return "fichier occup\xE9 par un autre programme";
    case EMFILE:
    case ENFILE: return "trop de fichiers ouverts";
    case EFBIG: return "fichier trop volumineux";
    case EINVAL: return "nom de fichier incorrect";
    case EXDEV: return "d\xE9placement impossible entre deux supports";
    default: return "erreur syst\xE8me " + std::to_string(err);
    }
}

#ifdef _WIN32
std::wstring WideName(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

std::string WindowsErrorText(unsigned long code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "dossier ou fichier introuvable";
    case ERROR_ACCESS_DENIED: return "acc\xE8s refus\xE9";
    case ERROR_SHARING_VIOLATION: return "fichier ouvert par un autre programme";
    case ERROR_LOCK_VIOLATION: return "fichier verrouill\xE9 par un autre programme";
    case ERROR_WRITE_PROTECT: return "support prot\xE9g\xE9 en \xE9" "criture";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "disque plein";
    case ERROR_INVALID_NAME: return "nom de fichier incorrect";
    default: return "erreur Windows " + std::to_string(code);
    }
}
#endif

bool FileExists(const std::string &path)
{
    StatBuf st;
    return Stat(path, st) == 0 && IsRegular(st);
}

FileState ReadWholeFile(const std::string &path, std::string &bytes, std::string *error)
{
    bytes.clear();
    StatBuf st;
    if (Stat(path, st) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return FileState::Absent;
        Fail(error, ErrnoText(err));
        return FileState::Unreadable;
    }
    // A folder, a pipe (which would block) or a device (endless) is no file.
    if (!IsRegular(st)) {
        Fail(error, "ce n'est pas un fichier ordinaire");
        return FileState::Unreadable;
    }
    if (static_cast<unsigned long long>(st.st_size) > ReadLimit) {
        Fail(error, "fichier trop volumineux");
        return FileState::Unreadable;
    }
    std::FILE *f = Open(path, "rb");
    if (!f) {
        Fail(error, ErrnoText(errno));
        return FileState::Unreadable;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        bytes.append(buf, n);
        if (n < sizeof buf) {
            ok = !std::ferror(f);
            break;
        }
        if (bytes.size() > ReadLimit) {
            std::fclose(f);
            bytes.clear();
            Fail(error, "fichier trop volumineux");
            return FileState::Unreadable;
        }
    }
    const int err = errno;
    std::fclose(f);
    if (!ok) {
        bytes.clear();
        Fail(error, ErrnoText(err));
        return FileState::Unreadable;
    }
    return FileState::Read;
}

std::FILE *OpenFile(const std::string &path, const char *mode)
{
    return Open(path, mode);
}

bool RemoveFile(const std::string &path)
{
    return Remove(path) == 0;
}

bool LockWholeFile(std::FILE *f)
{
    if (!f)
        return false;
#ifdef _WIN32
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    OVERLAPPED at{};
    return h != INVALID_HANDLE_VALUE
           && LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at);
#else
    // flock, not fcntl: its lock belongs to the open file, so a second open in
    // the same process is refused as another program's would be.
    int r;
    do
        r = ::flock(fileno(f), LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r == 0;
#endif
}

bool EmptyOpenFile(std::FILE *f)
{
    if (std::fflush(f) != 0 || std::fseek(f, 0, SEEK_END) != 0)
        return false;
    // Nothing to empty (a device cannot be truncated at all).
    if (std::ftell(f) <= 0)
        return true;
#ifdef _WIN32
    return _chsize_s(_fileno(f), 0) == 0;
#else
    return ::ftruncate(fileno(f), 0) == 0;
#endif
}

bool FileLockedElsewhere(const std::string &path)
{
    std::FILE *f = Open(path, "rb");
    if (!f)
        return false;
    const bool free = LockWholeFile(f); // released with the close
    std::fclose(f);
    return !free;
}

std::string ComputerName()
{
#ifdef _WIN32
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return "?";
    std::string text;
    for (DWORD i = 0; i < size; ++i)
        text += name[i] < 128 ? char(name[i]) : '?';
    return text;
#else
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "?";
    return name;
#endif
}

int CurrentProcessId()
{
    return ProcessId();
}

bool FlushToDisk(std::FILE *f, int &err)
{
    if (std::fflush(f) != 0) {
        err = errno;
        return false;
    }
#ifdef _WIN32
    if (_commit(_fileno(f)) != 0) {
        err = errno;
        return false;
    }
#else
    // Some file systems cannot sync; the data were handed over all the same.
    if (::fsync(fileno(f)) != 0 && errno != EINVAL && errno != ENOTSUP) {
        err = errno;
        return false;
    }
#endif
    return true;
}

bool WriteFileReplacing(const std::string &path, const std::string &bytes, std::string *error)
{
    const std::string temp = path + ".~" + std::to_string(ProcessId());
    std::FILE *f = Open(temp, "wb");
    if (!f)
        return Fail(error, ErrnoText(OpenError(temp, errno)));
    std::size_t toWrite = bytes.size();
    const bool injected = injectedFailure != std::string::npos;
    if (injected) {
        toWrite = std::min(toWrite, injectedFailure);
        injectedFailure = std::string::npos;
    }
    bool written = std::fwrite(bytes.data(), 1, toWrite, f) == toWrite;
    int err = errno;
    if (injected) {
        written = false;
        err = ENOSPC;
    }
    const bool flushed = written && FlushToDisk(f, err);
    const bool closed = std::fclose(f) == 0;
    if (written && flushed && !closed)
        err = errno;
    if (!written || !flushed || !closed) {
        Remove(temp);
        return Fail(error, ErrnoText(err));
    }
#ifdef _WIN32
    if (!MoveFileExW(WideName(temp).c_str(), WideName(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD code = GetLastError();
        // Windows says "access denied" when a spreadsheet holds the file open:
        // tell the user what to close.
        if (code == ERROR_ACCESS_DENIED && HeldByAnotherProgram(path))
            code = ERROR_SHARING_VIOLATION;
        Remove(temp);
        return Fail(error, WindowsErrorText(code));
    }
#else
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        Remove(temp);
        return Fail(error, ErrnoText(err));
    }
#endif
    return true;
}

} // namespace vandoral
