#include "CsvText.h"

#include <QRegularExpression>

namespace vimbo {

QString csvField(const QString& text)
{
    QString field = text;
    field.replace(QChar(u'\0'), QChar(0xFFFD));
    static const QRegularExpression plainNumber(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!field.isEmpty() && formulaStarts.contains(field.front()) && !plainNumber.match(field).hasMatch())
        field.prepend(QLatin1Char('\''));
    // A semicolon or a tab separates cells in some spreadsheets' CSV: quoted, it cannot start one.
    static const QRegularExpression needsQuotes(QStringLiteral("[,;\"\t\r\n]"));
    if (!field.contains(needsQuotes))
        return field;
    return QLatin1Char('"') + field.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}

}  // namespace vimbo
