#include "lan/web_token.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

constexpr int max_token_file = 1024;

}  // namespace

bool load_web_token(const QString& path, QByteArray& token, QString& error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = QStringLiteral("cannot open token file %1").arg(path);
        return false;
    }
    struct stat status {};
    char buffer[max_token_file + 1];
    ssize_t got = -1;
    const bool owner_only = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                            (status.st_mode & 077) == 0 && status.st_uid == geteuid();
    if (owner_only) {
        got = ::read(fd, buffer, sizeof buffer);
    }
    ::close(fd);
    if (!owner_only) {
        error = QStringLiteral(
                    "token file %1 must be a regular file of this user that only its owner may "
                    "read (chmod 600)")
                    .arg(path);
        return false;
    }
    if (got < 0 || got > max_token_file) {
        error = QStringLiteral("token file %1 cannot be read or is over 1024 bytes").arg(path);
        return false;
    }
    QByteArray line(buffer, int(got));
    line = line.left(line.indexOf('\n') < 0 ? line.size() : line.indexOf('\n'));
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    for (char c : line) {
        if (c <= ' ' || c > '~') {
            error = QStringLiteral("token file %1 holds other than printable ASCII").arg(path);
            return false;
        }
    }
    if (line.size() < 16) {
        error = QStringLiteral("token in %1 is shorter than 16 characters").arg(path);
        return false;
    }
    token = line;
    return true;
}

bool web_token_matches(const QByteArray& expected, const QByteArray& authorization) {
    const QByteArray scheme = "bearer ";
    if (expected.isEmpty() || authorization.size() < scheme.size() ||
        authorization.left(scheme.size()).toLower() != scheme) {
        return false;
    }
    const QByteArray given = authorization.mid(scheme.size());
    unsigned difference = unsigned(given.size() ^ expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const char other = i < given.size() ? given[i] : '\0';
        difference |= unsigned(static_cast<unsigned char>(other ^ expected[i]));
    }
    return difference == 0;
}
