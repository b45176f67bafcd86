#include "ProbeEntry.h"

#include <algorithm>

namespace vimbo {

std::optional<QString> labelProblem(const QString& label, const QStringList& taken)
{
    if (label.isEmpty())
        return QStringLiteral("A probe needs a label.");
    if (label.size() > 64)
        return QStringLiteral("A label has at most 64 characters.");
    // The label is a section name of the list file: nothing that could end or split it.
    const bool plain = std::all_of(label.begin(), label.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
               c == u'_' || c == u'.';
    });
    if (!plain)
        return QStringLiteral("A label has only letters, digits, '-', '_' and '.'.");
    if (taken.contains(label, Qt::CaseInsensitive))
        return QStringLiteral("Another probe of the list is labelled ") + label + QLatin1Char('.');
    return std::nullopt;
}

std::optional<QString> siteProblem(const QString& site)
{
    if (site.size() > 100)
        return QStringLiteral("A site has at most 100 characters.");
    if (std::any_of(site.begin(), site.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("A site is one line of text.");
    return std::nullopt;
}

}  // namespace vimbo
