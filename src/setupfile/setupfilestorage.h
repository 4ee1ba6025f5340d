#pragma once

#include <QByteArray>
#include <QString>

// Setup files are small and are read and written whole.
namespace SetupFileStorage {

// Writes through a temporary file in the target's folder that replaces the target
// only once it is complete, so a failure leaves any earlier file as it was and no
// partial one. On failure returns false with the system's reason in errorString.
bool write(const QString &fileName, const QByteArray &content, QString *errorString);

// On failure returns false with the system's reason in errorString.
bool read(const QString &fileName, QByteArray *content, QString *errorString);

} // namespace SetupFileStorage
