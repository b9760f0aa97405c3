// What the core's tests share: a temporary folder, fixture files, numbers in
// messages. Plain C++17, so that the tests also build as Windows programs.
#pragma once

#include "fileio.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

// A number with all its digits, for failure messages.
inline std::string Num(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// Equal up to the last bits of a double, as QCOMPARE took them: relative,
// so that a tiny value is never "equal" to zero.
inline bool SameNumber(double a, double b)
{
    return a == b || std::fabs(a - b) * 1e12 <= std::fmax(std::fabs(a), std::fabs(b));
}

// A file-system name (UTF-8 on Windows, the platform's bytes elsewhere), as
// the core takes it.
inline std::string PathText(const std::filesystem::path &p)
{
#ifdef _WIN32
    return p.u8string();
#else
    return p.string();
#endif
}

inline std::filesystem::path FromPathText(const std::string &s)
{
#ifdef _WIN32
    return std::filesystem::u8path(s);
#else
    return std::filesystem::path(s);
#endif
}

inline bool MakeFolder(const std::string &path)
{
    std::error_code ec;
    std::filesystem::create_directories(FromPathText(path), ec);
    return !ec && std::filesystem::is_directory(FromPathText(path));
}

inline bool RemoveEmptyFolder(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::remove(FromPathText(path), ec);
}

inline bool IsFolder(const std::string &path) { return std::filesystem::is_directory(FromPathText(path)); }
inline bool IsRegularFile(const std::string &path) { return std::filesystem::is_regular_file(FromPathText(path)); }

// The names in a folder, sorted.
inline std::vector<std::string> FolderEntries(const std::string &path)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(FromPathText(path)))
        names.push_back(PathText(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// The temporary file the core writes beside `path` before replacing it.
inline std::string TemporaryBeside(const std::string &path)
{
#ifdef _WIN32
    return path + ".~" + std::to_string(_getpid());
#else
    return path + ".~" + std::to_string(::getpid());
#endif
}

// Milliseconds since construction.
class Stopwatch {
public:
    long long elapsed() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir()
    {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("vandoral-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
            std::error_code ec;
            if (std::filesystem::create_directory(path_, ec))
                break;
            REQUIRE_MESSAGE(!ec, "cannot create a temporary folder in " << PathText(base));
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string path() const { return PathText(path_); }
    // `name` is a file-system name in the same encoding as path().
    std::string filePath(const std::string &name) const { return PathText(path_ / FromPathText(name)); }

private:
    std::filesystem::path path_;
};

// A file of tests/<folder>, read whole.
inline std::string FixtureBytes(const std::string &relative)
{
    std::string bytes;
    const std::string path = std::string(VANDORAL_TEST_ROOT) + "/" + relative;
    if (vandoral::ReadWholeFile(path, bytes) != vandoral::FileState::Read)
        return "missing fixture " + path;
    return bytes;
}
