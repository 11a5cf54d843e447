// SPDX-License-Identifier: MIT
#pragma once
// Every file the program writes in place is replaced, never rewritten: the new contents go to a
// temporary file beside it, which is flushed and renamed over the old one only when complete.
// A failure leaves the old file as it was and no temporary file behind.

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

// Replaces `to` with a copy of `from`.
ReplaceResult replaceFileByCopy(SystemServices& system, const std::string& from,
                                const std::string& to);

// The name of the temporary file that stands beside `path` while it is replaced.
std::string replacementPath(const std::string& path);

// The standard library's way, without a flush to the disk: for systems that offer nothing
// better, and for the SystemServices default.
std::unique_ptr<ReplacementFile> beginStandardReplace(const std::string& path, std::string& reason);

}  // namespace rq
