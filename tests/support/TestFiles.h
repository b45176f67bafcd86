#pragma once

#include "core/ProgramError.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace vimbo::test {

/// Writes `bytes` to `name` in `folder`; the file's path.
inline QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

/// The number of the program error `work` raises; 0 when it raises none.
inline int errorNumberOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const ProgramError& error) {
        return error.number();
    }
    return 0;
}

}  // namespace vimbo::test
