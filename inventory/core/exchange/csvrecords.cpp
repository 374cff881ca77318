#include "csvrecords.h"

#include "cp1251.h"

#include <csv.h>

namespace vosk {
namespace {

int noSpace(unsigned char) { return 0; }

} // namespace

CsvRecordReader::CsvRecordReader(char separator, OnRecord onRecord)
    : parser_(new csv_parser), onRecord_(std::move(onRecord))
{
    csv_init(parser_, CSV_REPALL_NL | CSV_STRICT_FINI);
    csv_set_delim(parser_, static_cast<unsigned char>(separator));
    csv_set_space_func(parser_, noSpace);
}

CsvRecordReader::~CsvRecordReader()
{
    csv_free(parser_);
    delete parser_;
}

void CsvRecordReader::countLineEnds(std::string_view field)
{
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\r') {
            ++line_;
            if (i + 1 < field.size() && field[i + 1] == '\n')
                ++i;
        } else if (field[i] == '\n') {
            ++line_;
        }
    }
}

void CsvRecordReader::onField(void *data, size_t size, void *self)
{
    auto *r = static_cast<CsvRecordReader *>(self);
    if (r->fields_.empty())
        r->recordLine_ = r->line_;
    r->lastWasCr_ = false;
    std::string_view field(static_cast<const char *>(data), data ? size : 0);
    r->countLineEnds(field);
    r->fields_.emplace_back(field);
}

void CsvRecordReader::onEnd(int c, void *self)
{
    auto *r = static_cast<CsvRecordReader *>(self);
    const bool empty = r->fields_.empty();
    if (c == '\n' && r->lastWasCr_ && empty) {
        r->lastWasCr_ = false; // the LF of a CR LF
        return;
    }
    r->lastWasCr_ = c == '\r';
    if (!empty) {
        r->onRecord_(r->recordLine_, r->fields_);
        r->fields_.clear();
    }
    if (c == '\r' || c == '\n')
        ++r->line_;
}

bool CsvRecordReader::feed(std::string_view bytes)
{
    if (failed_)
        return false;
    // Pieces small enough that a runaway field is noticed soon after it passes the limit.
    constexpr size_t kStep = 1u << 20;
    for (size_t pos = 0; pos < bytes.size(); pos += kStep) {
        const std::string_view piece = bytes.substr(pos, kStep);
        if (csv_parse(parser_, piece.data(), piece.size(), onField, onEnd, this) != piece.size()) {
            failed_ = true;
            error_ = cp1251("Файл не читается как CSV (строка ") + std::to_string(line_) + "): " +
                     (csv_error(parser_) == CSV_ENOMEM    ? cp1251("не хватает памяти")
                      : csv_error(parser_) == CSV_ETOOBIG ? cp1251("поле слишком велико")
                                                          : cp1251("ошибка разбора") + " (" + csv_strerror(csv_error(parser_)) + ")");
            return false;
        }
        if (csv_get_buffer_size(parser_) > kMaxField) {
            failed_ = true;
            error_ = cp1251("Поле, начатое в строке ") + std::to_string(line_) +
                     cp1251(", длиннее 16 МБ: вероятно, в нем не закрыта кавычка.");
            return false;
        }
    }
    return true;
}

bool CsvRecordReader::finish()
{
    if (failed_)
        return false;
    // A quoted field still open at the end: libcsv reports it only in its strict mode, which
    // would also refuse the stray quotes spreadsheets leave inside unquoted fields.
    constexpr int kFieldBegun = 2;
    const bool open = parser_->pstate == kFieldBegun && parser_->quoted;
    const int64_t start = fields_.empty() ? line_ : recordLine_;
    if (open || csv_fini(parser_, onField, onEnd, this) != 0) {
        failed_ = true;
        error_ = cp1251("Кавычка, открытая в строке ") + std::to_string(start) + cp1251(", не закрыта до конца файла.");
        return false;
    }
    return true;
}

namespace {

// Calls f(c) for each byte of the first line outside quotes; true when that line has ended.
template <class F>
bool scanFirstLine(std::string_view bytes, F &&f)
{
    bool quoted = false;
    for (char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\r' || c == '\n'))
            return true;
        else if (!quoted)
            f(c);
    }
    return false;
}

} // namespace

bool firstLineComplete(std::string_view bytes)
{
    return scanFirstLine(bytes.substr(0, kSeparatorScan), [](char) {}) || bytes.size() >= kSeparatorScan;
}

char guessSeparator(std::string_view bytes, std::string_view candidates)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::vector<size_t> counts(candidates.size(), 0);
    scanFirstLine(bytes.substr(0, kSeparatorScan), [&](char c) {
        for (size_t k = 0; k < candidates.size(); ++k)
            if (c == candidates[k])
                ++counts[k];
    });
    size_t best = 0;
    for (size_t k = 1; k < candidates.size(); ++k)
        if (counts[k] > counts[best])
            best = k;
    return candidates[best];
}

} // namespace vosk
