// SPDX-License-Identifier: MIT
#include "converter/csv_writer.h"

namespace rq::jfile {

void appendCsvLine(std::string& out, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out.push_back(',');
        out.push_back('"');
        const std::string& value = values[i];
        for (std::size_t k = 0; k < value.size(); ++k) {
            const char c = value[k];
            if (c == '"') {
                out += "\"\"";
            } else if (c == '\r') {
                out.push_back(kLineEndMark);
                if (k + 1 < value.size() && value[k + 1] == '\n') ++k;
            } else if (c == '\n') {
                out.push_back(kLineEndMark);
            } else {
                out.push_back(c);
            }
        }
        out.push_back('"');
    }
    out += "\r\n";
}

}  // namespace rq::jfile
