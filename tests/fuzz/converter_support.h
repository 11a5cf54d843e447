// SPDX-License-Identifier: MIT
#pragma once
// What the converter's fuzz targets share: the converter run without a process, its messages
// to standard error silenced, and the CSV text of a database as the converter writes it.

#include <iostream>
#include <string>
#include <vector>

#include "converter/jconvpro.h"
#include "fuzz/fuzz_support.h"

namespace rq::fuzz {

// Runs jconvpro with `args`; true on success. A failure must leave an error log beside the
// output and no output; a success no error log.
inline bool runConverter(const std::vector<std::string>& args) {
    static std::ostream* const silenced = [] {
        std::cerr.rdbuf(nullptr);  // the log file says the same
        return &std::cerr;
    }();
    (void)silenced;
    const std::string& output = args[2];
    std::remove(output.c_str());
    const int code = jfile::runJconvpro(args, 3'900'000'000u);
    const bool errorLog = fileExists(scratchPath(jfile::kErrorLogName));
    if (code == jfile::kExitOk) {
        RQ_FUZZ_CHECK(!errorLog && fileExists(output));
    } else {
        RQ_FUZZ_CHECK(errorLog && !fileExists(output));
    }
    return code == jfile::kExitOk;
}

// Conversion info for `columns` columns with the given types and widths 80; a popup column
// gets a two-word list.
inline std::string ifoFor(const std::vector<int>& types) {
    std::string line1, line2, zeros, popups;
    for (std::size_t i = 0; i < types.size(); ++i) {
        line1 += std::to_string(types[i]) + " ";
        line2 += "80 ";
        zeros += "0 ";
        if (types[i] != 1 && i < 26) {
            popups += "\r\npopup";
            popups += static_cast<char>('a' + i);
            popups += "\r\nBook\r\nJournal";
        }
    }
    return line1 + "\r\n" + line2 + "\r\n110\r\n1\r\n8\r\n" + zeros + "\r\n" + zeros +
           "\r\n456E644A46696C654461746100" + popups;
}

}  // namespace rq::fuzz
