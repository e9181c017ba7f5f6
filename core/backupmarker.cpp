#include "core/backupmarker.h"

#include "platform/filesystem.h"

QString backupMarkerPath(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Wexmor.DAT");
}

bool backupMarkerExists(const QString &readerFolder)
{
    return qv::fileExists(backupMarkerPath(readerFolder));
}

void createBackupMarker(const QString &readerFolder)
{
    qv::TextFile f(backupMarkerPath(readerFolder));
    f.rewrite();
    f.writeLine(QByteArrayLiteral("Backup Done."));
    f.close();
}

void deleteBackupMarker(const QString &readerFolder)
{
    qv::deleteFile(backupMarkerPath(readerFolder));
}
