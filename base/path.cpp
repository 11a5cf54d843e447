// SPDX-License-Identifier: MIT
#include "base/path.h"

namespace rq {

namespace {
bool isSeparator(char c, const PathStyle& style) {
    return style.separators.find(c) != std::string_view::npos;
}

std::size_t nameStart(std::string_view path, const PathStyle& style) {
    const std::size_t last = path.find_last_of(style.separators);
    return last == std::string_view::npos ? 0 : last + 1;
}
}  // namespace

std::string joinPath(std::string_view folder, std::string_view name, const PathStyle& style) {
    std::string out(folder);
    if (!out.empty() && !isSeparator(out.back(), style)) out += style.separator;
    out += name;
    return out;
}

PathParts splitPath(std::string_view path, const PathStyle& style) {
    const std::size_t start = nameStart(path, style);
    return {std::string(path.substr(0, start)), std::string(path.substr(start))};
}

std::string_view fileName(std::string_view path, const PathStyle& style) {
    return path.substr(nameStart(path, style));
}

std::string_view baseName(std::string_view path, const PathStyle& style) {
    std::string_view name = fileName(path, style);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view extension(std::string_view path, const PathStyle& style) {
    std::string_view name = fileName(path, style);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::string replaceExtension(std::string_view name, std::string_view newExtension,
                             const PathStyle& style) {
    std::string out(baseName(name, style));
    out += newExtension;
    return out;
}

std::string folderOf(std::string_view filePath, const PathStyle& style) {
    const std::size_t start = nameStart(filePath, style);
    if (start == 0) return {};
    std::string folder(filePath.substr(0, start));
    // Drop the trailing separator unless the folder is a root ("/", "\" or "C:\"); a drive
    // without a separator ("C:") names the drive's current folder and stays as it is.
    const bool isRoot = folder.size() == 1 || (style.driveRoots && folder.size() == 3 &&
                                               folder[1] == ':' && isSeparator(folder[2], style));
    if (!isRoot && !(style.driveRoots && folder.size() == 2 && folder[1] == ':')) folder.pop_back();
    return folder;
}

}  // namespace rq
