// SPDX-License-Identifier: MIT
#pragma once
// What the tests may expect of the system they run on, where POSIX and Windows differ by design.

namespace rq::test {

#if defined(_WIN32)
// Windows refuses to open a folder as a file; POSIX opens it and fails at the first read.
inline constexpr bool kFolderOpensAsFile = false;
#else
inline constexpr bool kFolderOpensAsFile = true;
#endif

}  // namespace rq::test
