#include "ProbeState.h"

#include <QDateTime>

#include <algorithm>

namespace vimbo {

QString probeStateText(ProbeState state, std::optional<std::int64_t> sinceMsecs, int utcOffsetSeconds)
{
    const auto since = [&](const char* words) {
        QString text = QString::fromLatin1(words);
        if (sinceMsecs) {
            const int offset = std::clamp(utcOffsetSeconds, -18 * 3600, 18 * 3600);
            text += QStringLiteral(" since ") +
                    QDateTime::fromMSecsSinceEpoch(*sinceMsecs, Qt::OffsetFromUTC, offset).toString(QStringLiteral("HH:mm"));
        }
        return text;
    };
    switch (state) {
    case ProbeState::Waiting: return QStringLiteral("waiting for the first answer");
    case ProbeState::Answering: return QStringLiteral("answering");
    case ProbeState::Lost: return since("lost");
    case ProbeState::NeverAnswered: return QStringLiteral("never answered");
    case ProbeState::NotWatched: return since("not watched");
    }
    return {};
}

}  // namespace vimbo
