// SPDX-License-Identifier: MIT
#include "platform/win32/text_codes.h"

#include <windows.h>

namespace rq {

std::wstring wideFromCodePage(unsigned codePage, std::string_view text, unsigned long flags) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
    return wide;
}

std::wstring wideFromUtf8(const std::string& utf8) {
    return wideFromCodePage(CP_UTF8, utf8);
}

std::string utf8FromWide(const wchar_t* wide, std::size_t length) {
    if (length == 0) return std::string();
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, size, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::optional<std::string> ansiFromUtf8(const std::string& utf8, unsigned codePage) {
    if (utf8.empty()) return std::string();
    const UINT page = codePage == 0 ? ::GetACP() : codePage;
    // Text that is not UTF-8 at all cannot be stored faithfully either.
    const std::wstring wide = wideFromCodePage(CP_UTF8, utf8, MB_ERR_INVALID_CHARS);
    if (wide.empty()) return std::nullopt;
    if (page == CP_UTF8) return utf8;
    const int length = static_cast<int>(wide.size());

    BOOL usedDefault = FALSE;
    const int bytes = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                            nullptr, 0, nullptr, &usedDefault);
    if (bytes == 0 || usedDefault) return std::nullopt;
    std::string text(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), length, text.data(), bytes,
                          nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return text;
}

std::string readableAnsiFromUtf8(std::string_view utf8, unsigned codePage) {
    if (utf8.empty()) return std::string();
    const UINT page = codePage == 0 ? ::GetACP() : codePage;
    const std::wstring wide = wideFromCodePage(CP_UTF8, utf8);
    const int length = static_cast<int>(wide.size());
    // The code page's own "?" only where a character has no place: never a look-alike.
    const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* mark = page == CP_UTF8 ? nullptr : "?";
    const int bytes =
        ::WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, mark, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(page, flags, wide.data(), length, text.data(), bytes, mark, nullptr);
    return text;
}

}  // namespace rq
