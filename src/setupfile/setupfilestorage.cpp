#include "setupfile/setupfilestorage.h"

#include <QFile>
#include <QSaveFile>

namespace SetupFileStorage {

bool write(const QString &fileName, const QByteArray &content, QString *errorString)
{
    QSaveFile file(fileName);
    // In a folder the user may not create files in, replace the file in place.
    file.setDirectWriteFallback(true);
    // Unbuffered, so that a write the disk cuts short is seen here with its reason: a
    // buffered one fails only while committing, without a reason, and can even be
    // committed as a partial file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *errorString = file.errorString();
        return false;
    }
    for (qint64 written = 0; written < content.size();) {
        const qint64 chunk = file.write(content.constData() + written, content.size() - written);
        if (chunk <= 0) {
            *errorString = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += chunk;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

bool read(const QString &fileName, QByteArray *content, QString *errorString)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorString = file.errorString();
        return false;
    }
    *content = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *errorString = file.errorString();
        return false;
    }
    if (content->size() > maxFileSize) {
        const qint64 size = file.size();
        *errorString = size > maxFileSize
                           ? QStringLiteral("it is %1 bytes long, and a setup file is at most "
                                            "%2 bytes")
                                 .arg(size)
                                 .arg(maxFileSize)
                           : QStringLiteral("it holds more than %1 bytes, the most a setup "
                                            "file can hold")
                                 .arg(maxFileSize);
        content->clear();
        return false;
    }
    return true;
}

} // namespace SetupFileStorage
