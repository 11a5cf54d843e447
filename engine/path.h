#pragma once
// Every path is built and split here, so that the rest of the code never spells a separator.
// Windows joins with a backslash and splits at backslash, slash and the drive colon; POSIX uses
// the slash only. Texts the user sees keep their own spelling; this is for real paths only.

#include <string>
#include <string_view>

namespace rq {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

// folder + separator + name; an empty folder gives the name alone and a folder that already
// ends in a separator gets no second one.
std::string joinPath(std::string_view folder, std::string_view name);

struct PathParts {
    std::string folder;  // up to and including the last separator; empty when there is none
    std::string name;    // the rest: name and extension
};
PathParts splitPath(std::string_view path);

// The file-name part of a path (after its last separator).
std::string_view fileName(std::string_view path);
// The file name without its extension (the part from the last dot of the name on).
std::string_view baseName(std::string_view path);
// The extension of the file name, its dot included; empty when the name holds no dot.
std::string_view extension(std::string_view path);
// The file-name part with its extension replaced (dropped, then `newExtension` appended).
std::string replaceExtension(std::string_view name, std::string_view newExtension);

// The folder of a file path without a trailing separator; a root keeps its separator.
std::string folderOf(std::string_view filePath);

}  // namespace rq
