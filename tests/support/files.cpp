// SPDX-License-Identifier: MIT
#include "support/files.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace rq::test {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string dataFile(std::string_view folder, std::string_view name) {
    return (fs::path(RQ_TEST_DATA_DIR) / folder / name).string();
}

bool copyReplacing(const std::string& from, const std::string& to) {
    std::error_code error;
    if (!fs::is_regular_file(from, error)) return false;
    fs::remove(to, error);
    return fs::copy_file(from, to, error);
}

TempFolder::TempFolder(std::string_view tag) {
    std::random_device seed;
    std::mt19937_64 random(static_cast<std::uint64_t>(seed()) << 32 ^ seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base / (std::string(tag) + "-" + std::to_string(random() % 1'000'000'000'000ULL));
        std::error_code error;
        // Only the call that creates the folder gets it; an existing one is never taken over.
        if (fs::create_directory(path_, error)) return;
    }
    throw std::runtime_error("no temporary folder could be made under " + base.string());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

bool holdsReplacementFile(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= 6 && name.compare(name.size() - 6, 6, ".rqnew") == 0) return true;
    }
    return false;
}

}  // namespace rq::test
