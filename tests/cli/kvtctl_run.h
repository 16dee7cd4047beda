#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// kvtctl run as its users run it: a separate process, its exit status and
// both output streams.
struct kvtctl_result_t {
    int exit_code = -1;
    QByteArray out;
    QByteArray err;

    QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

// Nothing of the caller's VISA settings reaches kvtctl: only the settings
// given, so each run chooses its own link.
inline void start_kvtctl(QProcess& process, const QStringList& arguments,
                         const QMap<QString, QString>& settings = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"LD_LIBRARY_PATH", "KVT_VISA_UNITS", "KVT_VISA_TIMEOUT_MS", "KVT_VISA_RM_WARNING"}) {
        environment.remove(QString::fromLatin1(name));
    }
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        environment.insert(it.key(), it.value());
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KVTCTL_PATH), arguments);
}

// A run to its end; its standard input holds input.
inline kvtctl_result_t run_kvtctl(const QStringList& arguments,
                                  const QMap<QString, QString>& settings = {},
                                  const QByteArray& input = {}) {
    QProcess process;
    start_kvtctl(process, arguments, settings);
    process.write(input);
    process.closeWriteChannel();
    kvtctl_result_t result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(5000);
        result.err = "kvtctl did not end by itself\n";
        return result;
    }
    result.exit_code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Standard error without an upgrade's progress lines ("application 50% of
// 4096 bytes", a unit's name in front when there are several).
inline QByteArray without_progress(const QByteArray& err) {
    static const QRegularExpression progress(
        QStringLiteral("^(.+: )?(application|bootloader|identity) \\d+% of \\d+ bytes\\n"),
        QRegularExpression::MultilineOption);
    return QString::fromUtf8(err).remove(progress).toUtf8();
}

// Empty when the run ended with the expected status and kept its error
// rule: silent on success, else exactly one line starting "kvtctl: ".
inline QString verdict(const kvtctl_result_t& result, int expected_exit) {
    const QByteArray err = without_progress(result.err);
    const bool one_line = err.startsWith("kvtctl: ") && err.endsWith('\n') && err.count('\n') == 1;
    if (result.exit_code == expected_exit && (expected_exit == 0 ? err.isEmpty() : one_line)) {
        return {};
    }
    return QStringLiteral("exit %1 (expected %2), stdout [%3], stderr [%4]")
        .arg(result.exit_code)
        .arg(expected_exit)
        .arg(QString::fromUtf8(result.out), QString::fromUtf8(result.err));
}

#define KVTCTL_CHECK(result, expected_exit)                     \
    do {                                                        \
        const QString why = verdict((result), (expected_exit)); \
        QVERIFY2(why.isEmpty(), qPrintable(why));               \
    } while (false)
