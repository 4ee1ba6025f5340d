#pragma once

#include <QByteArray>
#include <QString>

// Setup files are small and are read and written whole.
namespace SetupFileStorage {

// Writes through a temporary file in the target's folder that replaces the target
// only once it is complete, so a failure leaves any earlier file as it was and no
// partial one. On failure returns false with the system's reason in errorString.
bool write(const QString &fileName, const QByteArray &content, QString *errorString);

// A setup file is about 500 bytes; anything much larger is not one.
constexpr qint64 maxFileSize = 64 * 1024;

// Reads a whole setup file. On failure returns false with the reason in errorString: the
// system's, or that the file is larger than maxFileSize (then nothing past the limit is
// read, so a device that never ends cannot hold the window).
bool read(const QString &fileName, QByteArray *content, QString *errorString);

} // namespace SetupFileStorage
