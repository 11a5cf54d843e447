// SPDX-License-Identifier: MIT
#pragma once
// Big-endian (Motorola order) primitives for the Palm formats. Every read is checked against
// the bytes left, so a truncated or damaged file gives a FormatError, never a read past the end.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rq {

// A file or text that cannot be read or written as asked. The message is plain words for the
// user and names the place (record, line, field) when there is one.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes, std::string_view what = "the data")
        : bytes_(bytes), what_(what) {}

    std::size_t position() const { return pos_; }
    std::size_t left() const { return bytes_.size() - pos_; }
    void seek(std::size_t position);

    std::uint8_t u8();
    std::uint16_t u16();
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32();
    std::string_view take(std::size_t count);
    void skip(std::size_t count) { take(count); }

  private:
    void need(std::size_t count) const;

    std::string_view bytes_;
    std::string what_;
    std::size_t pos_ = 0;
};

// Appends to a byte string.
void putU8(std::string& out, std::uint8_t value);
void putU16(std::string& out, std::uint16_t value);
void putU32(std::string& out, std::uint32_t value);
// Writes the text into a fixed slot of `size` bytes, padding with zeros; the text must fit.
void putFixed(std::string& out, std::string_view text, std::size_t size);

// Big-endian reads at a known offset of a buffer the caller has already checked.
std::uint16_t getU16(std::string_view bytes, std::size_t offset);
std::uint32_t getU32(std::string_view bytes, std::size_t offset);

}  // namespace rq
