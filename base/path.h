// SPDX-License-Identifier: MIT
#pragma once
// Every path is built and split here, so that the rest of the code never spells a separator.
// Windows joins with a backslash and splits at backslash, slash and the drive colon; POSIX uses
// the slash only. Texts the user sees keep their own spelling; this is for real paths only.

#include <string>
#include <string_view>

namespace rq {

// How a system writes paths. Both styles are values, so that either system's tests can check
// the other's rules; the program itself uses the native one.
struct PathStyle {
    char separator;               // the one written when joining
    std::string_view separators;  // every one a path is split at
    bool driveRoots;              // "C:\" is a root, like "\" or "/"
};
inline constexpr PathStyle kWindowsPaths{'\\', "\\/:", true};
inline constexpr PathStyle kPosixPaths{'/', "/", false};
#if defined(_WIN32)
inline constexpr PathStyle kNativePaths = kWindowsPaths;
#else
inline constexpr PathStyle kNativePaths = kPosixPaths;
#endif
inline constexpr char kPathSeparator = kNativePaths.separator;
inline constexpr std::string_view kPathSeparators = kNativePaths.separators;

// folder + separator + name; an empty folder gives the name alone and a folder that already
// ends in a separator gets no second one.
std::string joinPath(std::string_view folder, std::string_view name,
                     const PathStyle& style = kNativePaths);

struct PathParts {
    std::string folder;  // up to and including the last separator; empty when there is none
    std::string name;    // the rest: name and extension
};
PathParts splitPath(std::string_view path, const PathStyle& style = kNativePaths);

// The file-name part of a path (after its last separator).
std::string_view fileName(std::string_view path, const PathStyle& style = kNativePaths);
// The file name without its extension (the part from the last dot of the name on).
std::string_view baseName(std::string_view path, const PathStyle& style = kNativePaths);
// The extension of the file name, its dot included; empty when the name holds no dot.
std::string_view extension(std::string_view path, const PathStyle& style = kNativePaths);
// The file-name part with its extension replaced (dropped, then `newExtension` appended).
std::string replaceExtension(std::string_view name, std::string_view newExtension,
                             const PathStyle& style = kNativePaths);

// The folder of a file path without a trailing separator; a root keeps its separator.
std::string folderOf(std::string_view filePath, const PathStyle& style = kNativePaths);

}  // namespace rq
