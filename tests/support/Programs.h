#pragma once

#include <QProcess>
#include <QStringList>

#include <string>

namespace vimbo::test {

/// What a program said and how it ended (-1: it crashed or did not end).
struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// Runs `program` to its end, at most 20 s, in `environment`.
inline ToolRun runProgram(const QString& program, const QStringList& args,
                          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    process.waitForFinished(20000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

}  // namespace vimbo::test
