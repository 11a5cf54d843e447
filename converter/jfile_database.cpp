// SPDX-License-Identifier: MIT
#include "converter/jfile_database.h"

namespace rq::jfile {

char jfileFieldLetter(std::size_t fieldIndex) {
    return fieldIndex < 26 ? static_cast<char>('a' + fieldIndex)
                           : static_cast<char>('A' + (fieldIndex - 26));
}

std::optional<std::size_t> jfileFieldIndex(char letter) {
    if (letter >= 'a' && letter <= 'z') return static_cast<std::size_t>(letter - 'a');
    const std::size_t upper = kMaxFields - 26;
    if (letter >= 'A' && static_cast<std::size_t>(letter - 'A') < upper) {
        return 26 + static_cast<std::size_t>(letter - 'A');
    }
    return std::nullopt;
}

bool isKnownFieldType(std::uint16_t type) {
    if (type & 0x3F00) return false;  // only the protected and hidden options exist
    switch (type & 0x00FF) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
        case 64:
        case 65:
        case 66:
        case 67:
        case 68:
        case 69:
        case 70:
        case 71:
        case 72:
        case 73:
        case 80:
        case 81:
        case 82:
            return true;
        default:
            return false;
    }
}

}  // namespace rq::jfile
