#include "SafeFile.h"

#include <QSaveFile>

namespace vimbo {

std::optional<QString> writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!write(file) || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason.isEmpty() || reason == QStringLiteral("Unknown error") ? QStringLiteral("the file could not be written")
                                                                             : reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

}  // namespace vimbo
