#pragma once
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// The one place where stored text (code page 1251 bytes) meets widget text (Unicode).

QString fromCp1251(std::string_view bytes);
// Nothing when the text holds a character code page 1251 cannot write: such text is
// refused, never stored with a substitute byte.
std::optional<std::string> toCp1251(const QString &text);
// The most of one stored text a widget shows (a list cell, an edit, a tooltip, a prompt): a
// longer text is shown up to this many characters followed by «…», so that a description of
// megabytes never has to be laid out; the record keeps its text whole.
constexpr size_t kShownText = 1000;
QString shownText(std::string_view bytes);
// Message texts break lines with a lone CR; widgets want '\n'.
QString messageText(std::string_view bytes);

} // namespace vosk
