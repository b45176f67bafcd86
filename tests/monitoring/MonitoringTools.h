#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vimbo::test {

/// Where the set-up unpacked the monitoring tools and base MIB modules, and the
/// project's monitoring folder.
inline const QString kMonitoringCache = QStringLiteral(VIMBO_SOURCE_DIR "/.cache/monitoring");
inline const QString kMonitoring = QStringLiteral(VIMBO_SOURCE_DIR "/monitoring");

struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
};

/// Runs `program` to its end (at most 20 s); net-snmp's and libsmi's tools
/// find their modules in `mibDirs` only, and load the probe's.
inline Ran runTool(const QString& program, const QStringList& args, const QString& mibDirs = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!mibDirs.isEmpty()) {
        environment.insert(QStringLiteral("MIBDIRS"), mibDirs);
        environment.insert(QStringLiteral("MIBS"), QStringLiteral("VIMBO-PROBE-MIB"));
        environment.insert(QStringLiteral("SMIPATH"), mibDirs);
    }
    process.setProcessEnvironment(environment);
    process.start(program, args);
    process.waitForFinished(20000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace vimbo::test
