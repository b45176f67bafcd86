#pragma once

#include <QString>

namespace vimbo {

/// One CSV text field (RFC 4180) that no spreadsheet runs: a text beginning
/// with "=", "+", "-", "@", a tab or a carriage return gets a leading "'"
/// unless it is a plain number ("-12.5"), and the field is quoted when it
/// holds a comma, a semicolon, a quote, a tab or a line break. A NUL is written
/// as U+FFFD, so that no reader stops in the middle of the file.
QString csvField(const QString& text);

}  // namespace vimbo
