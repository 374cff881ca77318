#pragma once
#include "textlines.h" // trimField

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct csv_parser;

namespace vosk {

// RFC 4180 records through libcsv, fed piece by piece, with the line each record starts on
// (a quoted field may span lines; CR LF, CR and LF each end one line). Blanks are part of
// a field. Empty lines give no record.
class CsvRecordReader {
public:
    using OnRecord = std::function<void(int64_t line, std::vector<std::string> &fields)>;
    CsvRecordReader(char separator, OnRecord onRecord);
    ~CsvRecordReader();
    CsvRecordReader(const CsvRecordReader &) = delete;
    CsvRecordReader &operator=(const CsvRecordReader &) = delete;

    // False once the input cannot be read further (error() says why).
    bool feed(std::string_view bytes);
    bool finish();
    const std::string &error() const { return error_; } // code page 1251
    int64_t line() const { return line_; }

    // One field may not grow past this: a quote that is never closed would otherwise take
    // the whole rest of a file of any size into memory.
    static constexpr size_t kMaxField = 16u << 20;

private:
    static void onField(void *data, size_t size, void *self);
    static void onEnd(int c, void *self);
    void countLineEnds(std::string_view field);

    csv_parser *parser_;
    OnRecord onRecord_;
    std::vector<std::string> fields_;
    int64_t line_ = 1;       // line the next character belongs to
    int64_t recordLine_ = 1; // line the current record started on
    bool lastWasCr_ = false;
    bool failed_ = false;
    std::string error_;
};

// The separator of a table: of the candidates, the one standing most often outside quotes on
// the first line (looked for in the first kSeparatorScan bytes); the first candidate when none
// stands there.
constexpr size_t kSeparatorScan = 1u << 20;
char guessSeparator(std::string_view bytes, std::string_view candidates);
// True when the bytes hold the end of the first line (outside quotes), or as much as
// guessSeparator looks at: a reader fed piece by piece waits for this before guessing.
bool firstLineComplete(std::string_view bytes);

} // namespace vosk
