// SPDX-License-Identifier: MIT
#pragma once
// BibTeX and BibLaTeX: entries in braces or parentheses, @string macros, '#', crossref, the
// BibLaTeX aliases, name lists and LaTeX to text. The file is read twice, since a crossref may
// name an entry further on; neither reading holds the whole text.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reference_record.h"

namespace rq {

std::unique_ptr<RecordSource> openBibTeXSource(TextInput& input);

// LaTeX to UTF-8 text: accents (as a letter and a combining accent), special letters, escaped
// specials, dashes, '~', braces and '$' dropped, commands giving their argument.
std::string latexToText(std::string_view latex);
// One BibTeX name in any of its three forms as "von Last, First" ("von Last, Jr, First").
std::string bibTeXNameToCatalogue(std::string_view name);
// A name list split at "and" outside braces, each name as bibTeXNameToCatalogue gives it.
std::vector<std::string> bibTeXNameList(std::string_view list);

// The writer: UTF-8, keys from Label (unique), specials escaped.
std::unique_ptr<RecordSink> makeBibTeXSink();

}  // namespace rq
