// SPDX-License-Identifier: MIT
// The POSIX stand-in for the registry: a registry export text that the program edits in place.
// Setting a value must be stable (setting it again changes nothing), must leave the value
// readable, and setting another value and then the first one again must give the same text.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/posix/registry_store.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

constexpr std::string_view kKey = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = asText(data, size);
    // The first byte picks the value name, so names with quotes and backslashes are tried too.
    std::string name = "Install0000";
    if (!input.empty() && input.front() == '\x01') {
        const std::size_t end = input.find('\n');
        name = std::string(input.substr(1, end == std::string_view::npos ? 0 : end - 1));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }

    const auto once = setRegistryDword(input, kKey, name, 1);
    if (!once) {
        RQ_FUZZ_CHECK(!input.empty());
        return 0;
    }
    RQ_FUZZ_CHECK(once->rfind(kRegistryExportHeader, 0) == 0);
    RQ_FUZZ_CHECK(setRegistryDword(*once, kKey, name, 1) == once);
    const auto other = setRegistryDword(*once, kKey, name, 0xDEADBEEF);
    RQ_FUZZ_CHECK(other.has_value() && other->find("=dword:deadbeef") != std::string::npos);
    RQ_FUZZ_CHECK(setRegistryDword(*other, kKey, name, 1) == once);
    return 0;
}
