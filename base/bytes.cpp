// SPDX-License-Identifier: MIT
#include "base/bytes.h"

namespace rq {

void ByteReader::need(std::size_t count) const {
    if (count > left()) {
        throw FormatError(what_ + " ends too early: " + std::to_string(count) +
                          " bytes needed at offset " + std::to_string(pos_) + ", " +
                          std::to_string(left()) + " left");
    }
}

void ByteReader::seek(std::size_t position) {
    if (position > bytes_.size()) {
        throw FormatError(what_ + " has an offset " + std::to_string(position) + " past its end (" +
                          std::to_string(bytes_.size()) + " bytes)");
    }
    pos_ = position;
}

std::uint8_t ByteReader::u8() {
    need(1);
    return static_cast<std::uint8_t>(bytes_[pos_++]);
}

std::uint16_t ByteReader::u16() {
    need(2);
    const std::uint16_t value = getU16(bytes_, pos_);
    pos_ += 2;
    return value;
}

std::uint32_t ByteReader::u32() {
    need(4);
    const std::uint32_t value = getU32(bytes_, pos_);
    pos_ += 4;
    return value;
}

std::string_view ByteReader::take(std::size_t count) {
    need(count);
    const std::string_view part = bytes_.substr(pos_, count);
    pos_ += count;
    return part;
}

void putU8(std::string& out, std::uint8_t value) {
    out.push_back(static_cast<char>(value));
}

void putU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

void putU32(std::string& out, std::uint32_t value) {
    putU16(out, static_cast<std::uint16_t>(value >> 16));
    putU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
}

void putFixed(std::string& out, std::string_view text, std::size_t size) {
    if (text.size() > size) throw FormatError("text too long for its slot: " + std::string(text));
    out.append(text);
    out.append(size - text.size(), '\0');
}

std::uint16_t getU16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[offset]) << 8) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]));
}

std::uint32_t getU32(std::string_view bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(getU16(bytes, offset)) << 16) | getU16(bytes, offset + 2);
}

}  // namespace rq
