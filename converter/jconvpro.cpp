// SPDX-License-Identifier: MIT
#include "converter/jconvpro.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "base/bytes.h"
#include "base/files.h"
#include "base/native_path.h"
#include "base/palm_database_layout.h"
#include "base/path.h"
#include "converter/csv_reader.h"
#include "converter/csv_writer.h"
#include "converter/ifo_reader.h"
#include "converter/jfile_reader.h"
#include "converter/jfile_writer.h"

namespace rq::jfile {

namespace {

// Why a run failed, in words for the user (what()); `code` is the exit code.
struct Failure : std::runtime_error {
    explicit Failure(const std::string& text, int code = kExitFailed, bool removeOutput = true)
        : std::runtime_error(text), code(code), removeOutput(removeOutput) {}

    int code;
    // A stale output goes with a failed conversion; after a wrong command line nothing is
    // known to be an output, so nothing is removed.
    bool removeOutput;
};

// Runs `step`; a FormatError from it becomes a Failure that says where: `context` (a string,
// or a function that makes one when it is needed, such as the line reached), the error's text
// and a full stop.
template <typename Context, typename Step>
auto withContext(const Context& context, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const FormatError& e) {
        if constexpr (std::is_invocable_v<const Context&>) {
            throw Failure(context() + e.what() + ".");
        } else {
            throw Failure(std::string(context) + e.what() + ".");
        }
    }
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(nativePath(a), nativePath(b), ec);
}

const char* const kUsage =
    "Usage: jconvpro.exe 1 CSVFILE PDBFILE DATABASENAME IFOFILE\r\n"
    "       jconvpro.exe 2 PDBFILE CSVFILE [IFOFILE]";

std::string shortName(const std::string& path) {
    return std::string(fileName(path));
}

constexpr std::size_t kChunkSize = std::size_t{1} << 16;
// A database up to this size is read whole; a larger one has its head read first and its
// records one at a time, so memory stays flat.
constexpr std::size_t kWholeFileLimit = std::size_t{1} << 20;

std::string readAt(std::ifstream& in, std::size_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    in.clear();
    return bytes;
}

// The first bytes of a database: the whole file when it is small, otherwise header, record
// list and blocks up to the first record (the reader checks them all against the file size).
bool readHead(std::ifstream& in, std::string& head, std::size_t& fileSize) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    fileSize = static_cast<std::size_t>(size);
    std::size_t headSize = fileSize;
    if (fileSize > kWholeFileLimit) {
        const std::string header = readAt(in, 0, pdbEntryAt(0) + 4);
        const std::size_t count = getU16(header, kPdbRecordCountAt);
        const std::size_t listEnd = pdbEntryAt(count);
        const std::size_t firstRecord = count > 0 ? getU32(header, pdbEntryAt(0)) : fileSize;
        headSize = std::min(fileSize, std::max(listEnd, firstRecord));
    }
    head = readAt(in, 0, headSize);
    return head.size() == headSize && static_cast<bool>(in);
}

// The output under a temporary name in its own folder; renamed into place by commit(), removed
// otherwise, so that a failed run never leaves a partial file.
class PendingOutput {
  public:
    explicit PendingOutput(std::string path) : path_(std::move(path)), temp_(path_ + ".part") {
        out_.open(nativePath(temp_), std::ios::binary | std::ios::trunc);
        if (!out_) throw Failure{"The output file \"" + temp_ + "\" cannot be created."};
    }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;
    ~PendingOutput() {
        if (out_.is_open()) out_.close();
        std::error_code ignored;
        if (!committed_) std::filesystem::remove(nativePath(temp_), ignored);
    }

    void write(std::string_view bytes) {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out_) throw Failure{"Writing the output file \"" + temp_ + "\" failed."};
    }
    void commit() {
        out_.close();
        if (!out_) throw Failure{"Writing the output file \"" + temp_ + "\" failed."};
        std::error_code ec;
        std::filesystem::rename(nativePath(temp_), nativePath(path_), ec);
        if (ec)
            throw Failure{"The output file \"" + path_ + "\" cannot be written: " + ec.message() +
                          "."};
        committed_ = true;
    }

  private:
    std::string path_;
    std::string temp_;
    std::ofstream out_;
    bool committed_ = false;
};

template <typename T>
T inRange(std::int64_t value, const std::string& what) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
        throw FormatError(what + " is " + std::to_string(value) + ", out of range");
    }
    return static_cast<T>(value);
}

// Fields and settings from the header names and the conversion info.
JFileDatabase buildLayout(const std::vector<std::string>& names, const IfoInfo& ifo,
                          const std::string& csvName) {
    const std::string columns = std::to_string(names.size());
    if (ifo.types.size() != names.size()) {
        throw FormatError("line 1 gives " + std::to_string(ifo.types.size()) +
                          " field types, but the header line of " + csvName + " names " + columns +
                          " fields");
    }
    if (ifo.widths.size() != names.size()) {
        throw FormatError("line 2 gives " + std::to_string(ifo.widths.size()) +
                          " column widths, but the header line of " + csvName + " names " +
                          columns + " fields");
    }
    JFileDatabase db;
    db.showDataWidth = inRange<std::int16_t>(ifo.dataWidth, "line 3 (data width)");
    db.firstColumnToShow = inRange<std::int16_t>(ifo.firstColumn, "line 4 (first column)");
    db.structureLocked = (ifo.lockFlags & kFlagsStructLock) != 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string column = "column " + std::to_string(i + 1);
        JFileField f;
        f.name = names[i];
        f.type = inRange<std::uint16_t>(ifo.types[i], "line 1: the type of " + column);
        if (!isKnownFieldType(f.type)) {
            throw FormatError("line 1: the type of " + column + " is " + std::to_string(f.type) +
                              ", which is not a JFile field type");
        }
        f.columnWidth = inRange<std::int16_t>(ifo.widths[i], "line 2: the width of " + column);
        if (i < ifo.extra.size()) {
            f.extraData = inRange<std::uint32_t>(ifo.extra[i], "line 6: the value of " + column);
        }
        if (i < ifo.extra2.size()) {
            f.extraData2 = inRange<std::uint32_t>(ifo.extra2[i], "line 7: the value of " + column);
        }
        db.fields.push_back(std::move(f));
    }
    // The IFO's letters count CSV columns; the writer gives each list JFile's own letter.
    // Lists for columns the CSV does not have cannot be placed and are left out.
    for (const auto& [column, items] : ifo.popupLists) {
        if (column < db.fields.size()) db.fields[column].popupItems = items;
    }
    return db;
}

// The database name as the database will store it.
std::string storedDatabaseName(const std::string& givenName, const StoredName& storedName) {
    if (givenName.empty()) throw Failure{"The database name is empty."};
    const std::optional<std::string> stored =
        storedName ? storedName(givenName) : std::optional<std::string>(givenName);
    if (!stored) {
        throw Failure{"The database name \"" + givenName +
                      "\" has characters that the system's code page cannot hold."};
    }
    if (stored->size() > kMaxDatabaseNameLength) {
        throw Failure{"The database name \"" + *stored + "\" is longer than " +
                      std::to_string(kMaxDatabaseNameLength) +
                      " characters, the most JFile takes."};
    }
    return *stored;
}

IfoInfo loadConversionInfo(const std::string& ifoPath) {
    std::string ifoText;
    if (readWholeFile(ifoPath, ifoText) != ReadResult::Read) {
        throw Failure{"The conversion-info file \"" + ifoPath + "\" cannot be read."};
    }
    return withContext(shortName(ifoPath) + ": ", [&] { return readIfo(ifoText); });
}

// The writer of the database that the CSV's header line and the conversion info describe;
// `csv` is left after the header line.
JFileWriter loadLayout(CsvReader& csv, const std::string& csvName, const IfoInfo& ifo,
                       const std::string& ifoName, const std::string& dbName) {
    std::vector<std::string> names;
    withContext(csvName + ": line 1: ", [&] {
        if (!csv.readLine(names)) {
            throw Failure{csvName + " is empty: it has no header line with the field names."};
        }
    });
    JFileDatabase layout =
        withContext(ifoName + ": ", [&] { return buildLayout(names, ifo, csvName); });
    layout.name = dbName;
    return withContext(csvName + ": line 1 (the header line): ",
                       [&] { return JFileWriter(layout); });
}

// First pass: every record is checked and only its size kept, so that the head, which lists
// where each record lies, can be written before the records without holding them.
void countRecordSizes(CsvReader& csv, JFileWriter& writer, std::size_t fieldCount,
                      const std::string& csvName) {
    const auto line = [&] { return csvName + ": line " + std::to_string(csv.lineNumber()) + ": "; };
    withContext(line, [&] {
        for (std::vector<std::string> values; csv.readLine(values);) {
            if (values.size() > fieldCount) {
                throw FormatError("the line holds " + std::to_string(values.size()) +
                                  " values, but the header line names only " +
                                  std::to_string(fieldCount) + " fields");
            }
            writer.countRecord(values);
        }
    });
}

// Second pass: the same records again, encoded one at a time after the head. Any difference
// from the first pass means the file changed in between.
void writeRecords(const std::string& csvPath, const JFileWriter& writer, PendingOutput& out) {
    const Failure changed{"The CSV file \"" + csvPath + "\" changed while it was read."};
    std::ifstream in(nativePath(csvPath), std::ios::binary);
    CsvReader csv(in);
    std::vector<std::string> values;
    std::string bytes;
    try {
        if (!in || !csv.readLine(values)) throw changed;
        for (std::size_t i = 0; i < writer.recordCount(); ++i) {
            if (!csv.readLine(values)) throw changed;
            const std::string record = writer.encode(values);
            if (record.size() != writer.recordSize(i)) throw changed;
            bytes += record;
            if (bytes.size() >= kChunkSize) {
                out.write(bytes);
                bytes.clear();
            }
        }
    } catch (const FormatError&) {
        throw changed;
    }
    out.write(bytes);
}

void csvToPdb(const std::string& csvPath, const std::string& pdbPath, const std::string& givenName,
              const std::string& ifoPath, std::uint32_t palmNow, const StoredName& storedName) {
    const std::string csvName = shortName(csvPath);
    const std::string dbName = storedDatabaseName(givenName, storedName);
    const IfoInfo ifo = loadConversionInfo(ifoPath);
    std::ifstream csvIn(nativePath(csvPath), std::ios::binary);
    if (!csvIn) throw Failure{"The CSV file \"" + csvPath + "\" cannot be read."};
    CsvReader csv(csvIn);
    JFileWriter writer = loadLayout(csv, csvName, ifo, shortName(ifoPath), dbName);
    // The layout has one field per type of the conversion info: loadLayout made sure.
    countRecordSizes(csv, writer, ifo.types.size(), csvName);
    const std::string head =
        withContext("The database cannot be written: ", [&] { return writer.head(palmNow); });
    PendingOutput out(pdbPath);
    out.write(head);
    writeRecords(csvPath, writer, out);
    out.commit();
}

// Direction 2 after the database's head is read: its records, one at a time, as CSV lines.
void writeCsv(std::ifstream& in, const std::string& head, std::size_t fileSize,
              const std::string& pdbPath, const std::string& csvPath) {
    JFileReader reader(head, fileSize);
    PendingOutput out(csvPath);
    std::string text;
    std::vector<std::string> names;
    for (const JFileField& f : reader.layout().fields) names.push_back(f.name);
    appendCsvLine(text, names);
    // Records lie back to back after the head: each is read in turn, one at a time.
    std::string record;
    std::size_t position = head.size();
    for (std::size_t i = 0; i < reader.recordCount(); ++i) {
        const std::size_t offset = reader.recordOffset(i);
        const std::size_t size = reader.recordSize(i);
        std::string_view data;
        if (offset + size <= head.size()) {
            data = std::string_view(head).substr(offset, size);
        } else {
            if (offset != position) {
                in.seekg(static_cast<std::streamoff>(offset));
                position = offset;
            }
            record.resize(size);
            in.read(record.data(), static_cast<std::streamsize>(size));
            if (!in) throw Failure{"The database file \"" + pdbPath + "\" cannot be read."};
            position += size;
            data = record;
        }
        if (reader.isDeleted(i)) continue;
        appendCsvLine(text, reader.decode(i, data));
        if (text.size() >= kChunkSize) {
            out.write(text);
            text.clear();
        }
    }
    out.write(text);
    out.commit();
}

void pdbToCsv(const std::string& pdbPath, const std::string& csvPath) {
    const std::string pdbName = shortName(pdbPath);
    std::ifstream in(nativePath(pdbPath), std::ios::binary);
    std::string head;
    std::size_t fileSize = 0;
    if (!in || !readHead(in, head, fileSize)) {
        throw Failure{"The database file \"" + pdbPath + "\" cannot be read."};
    }
    withContext(pdbName + ": ", [&] { writeCsv(in, head, fileSize, pdbPath, csvPath); });
}

void writeErrorLog(const std::string& folder, const std::string& text) {
    const std::string path = joinPath(folder, kErrorLogName);
    std::ofstream log(nativePath(path), std::ios::binary | std::ios::trunc);
    log << text;
    std::cerr << text;
}

// std::remove also takes an empty folder; only a file may go.
void removeFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_directory(nativePath(path), ec)) {
        std::filesystem::remove(nativePath(path), ec);
    }
}

}  // namespace

int runJconvpro(const std::vector<std::string>& args, std::uint32_t palmNow,
                const StoredName& storedName) {
    const std::string output = args.size() >= 3 ? args[2] : std::string();
    const std::string folder = folderOf(output);
    const std::string unknownHeading = "jconvpro.exe could not do the conversion.";
    std::string heading = unknownHeading;
    const auto fail = [&](const std::string& title, const std::string& text, bool removeOutput,
                          int code) {
        if (removeOutput && !output.empty()) removeFile(output);
        writeErrorLog(folder, title + "\r\n" + text + "\r\nNo output file was written.\r\n");
        return code;
    };
    try {
        // A log from an earlier run must not make this one look failed.
        removeFile(joinPath(folder, kErrorLogName));
        const std::string direction = args.empty() ? std::string() : args[0];
        if (args.size() >= 3 && sameFile(args[1], args[2])) {
            throw Failure{"The input and the output are the same file: \"" + args[1] + "\".",
                          kExitUsage, false};
        }
        if (std::error_code ec; args.size() >= 3 && std::filesystem::is_directory(output, ec)) {
            throw Failure{"The output \"" + output + "\" is a folder, not a file.", kExitUsage,
                          false};
        }
        if (direction == "1" && args.size() == 5) {
            heading = "jconvpro.exe could not turn \"" + args[1] + "\" into a JFile database.";
            csvToPdb(args[1], args[2], args[3], args[4], palmNow, storedName);
        } else if (direction == "2" && args.size() >= 3 && args.size() <= 5) {
            heading = "jconvpro.exe could not turn the JFile database \"" + args[1] +
                      "\" into a CSV file.";
            // The conversion info is not needed on the way back.
            pdbToCsv(args[1], args[2]);
        } else {
            std::string given;
            for (const std::string& a : args) given += " [" + a + "]";
            throw Failure{"Wrong command line:" +
                              (given.empty() ? std::string(" (empty)") : given) + "\r\n" + kUsage,
                          kExitUsage, false};
        }
        return kExitOk;
    } catch (const Failure& failure) {
        return fail(heading, failure.what(), failure.removeOutput, failure.code);
    } catch (const std::exception& e) {
        // Let out, it would end the program with a normal exit code (3 on Windows) and no log,
        // and the desktop program would only see that no output came.
        return fail(unknownHeading, e.what(), true, kExitFailed);
    }
}

}  // namespace rq::jfile
