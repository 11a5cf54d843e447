// SPDX-License-Identifier: MIT
#pragma once
// Every file the program writes in place is replaced, never rewritten: the new contents go to a
// temporary file beside it, which is flushed and renamed over the old one only when complete.
// A failure leaves the old file as it was and no temporary file behind.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/system_services.h"

namespace rq {

// The outcome of one replacement: empty on success, else the system's reason.
struct ReplaceResult {
    std::string failure;
    explicit operator bool() const { return failure.empty(); }
};

// Replaces `path` with `bytes`.
ReplaceResult replaceFileContents(SystemServices& system, const std::string& path,
                                  std::string_view bytes);

// Replaces `to` with a copy of `from`. `keepGoing`, when given, is asked before each piece;
// when it says no, the copy stops and `to` stays as it was.
ReplaceResult replaceFileByCopy(SystemServices& system, const std::string& from,
                                const std::string& to,
                                const std::function<bool()>& keepGoing = nullptr);

// A new name for the temporary file that stands beside `path` while it is replaced: the name
// (shortened so that the whole stays within the file system's limit) and a random part, so that
// two writers of one file never share a temporary file, and the one that reports success owns
// what is on disk. Ends in ".rqnew".
std::string replacementPath(const std::string& path);
inline constexpr std::string_view kReplacementSuffix = ".rqnew";

// The file a replacement of `path` writes: `path` itself, or where its symbolic link points (a
// link that points nowhere yet included), so that the link is kept.
std::string replacementTarget(const std::string& path);

// The standard library's way, without a flush to the disk: for systems that offer nothing
// better, and for the SystemServices default.
std::unique_ptr<ReplacementFile> beginStandardReplace(const std::string& path, std::string& reason);

}  // namespace rq
