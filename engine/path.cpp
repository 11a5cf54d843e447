#include "engine/path.h"

namespace rq {

namespace {
bool isSeparator(char c) {
    return kPathSeparators.find(c) != std::string_view::npos;
}

std::size_t nameStart(std::string_view path) {
    const std::size_t last = path.find_last_of(kPathSeparators);
    return last == std::string_view::npos ? 0 : last + 1;
}
}  // namespace

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && !isSeparator(out.back())) out += kPathSeparator;
    out += name;
    return out;
}

PathParts splitPath(std::string_view path) {
    const std::size_t start = nameStart(path);
    return {std::string(path.substr(0, start)), std::string(path.substr(start))};
}

std::string_view fileName(std::string_view path) {
    return path.substr(nameStart(path));
}

std::string_view baseName(std::string_view path) {
    std::string_view name = fileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view extension(std::string_view path) {
    std::string_view name = fileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::string replaceExtension(std::string_view name, std::string_view newExtension) {
    std::string out(baseName(name));
    out += newExtension;
    return out;
}

std::string folderOf(std::string_view filePath) {
    const std::size_t start = nameStart(filePath);
    if (start == 0) return {};
    std::string folder(filePath.substr(0, start));
    // Drop the trailing separator unless the folder is a root ("/" or "C:\").
    const bool isRoot = folder.size() == 1 || (folder.size() == 3 && folder[1] == ':');
    if (!isRoot) folder.pop_back();
    return folder;
}

}  // namespace rq
