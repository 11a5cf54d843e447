// SPDX-License-Identifier: MIT
#pragma once
// The registry stand-in on POSIX: the text of a Windows registry export, edited in place.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\HotSync Manager]
//   "Install0000"=dword:00000001
//
// Lines are CR LF like a real export; LF alone is accepted on reading.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rq {

inline constexpr std::string_view kRegistryExportHeader = "Windows Registry Editor Version 5.00";

// `text` (empty for a new store) with the REG_DWORD `valueName` of the key `keyPath` under
// HKEY_CURRENT_USER set to `value`. Key and value names compare without regard to letter case,
// as the registry does. A value already there is replaced on its own line; a missing value is
// added at the end of its key's section; a missing key gets a new section at the end. Every
// other line stays as it was. Nothing when `text` is not a registry export.
std::optional<std::string> setRegistryDword(std::string_view text, std::string_view keyPath,
                                            std::string_view valueName, std::uint32_t value);

}  // namespace rq
