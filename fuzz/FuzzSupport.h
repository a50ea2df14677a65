#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What the Qt-based fuzz targets share. Each target runs in one thread: libFuzzer calls
// LLVMFuzzerTestOneInput from the main thread only.
namespace fuzz {

// Creates the QCoreApplication the services expect and silences Qt's messages (every rejected
// input logs a line, which would drown libFuzzer's own output; KVR_FUZZ_VERBOSE=1 keeps them).
// Later calls do nothing.
void setUp();

// A private folder for the run, removed when the process exits.
QString scratchDir();

// The input as a QByteArray that owns a copy of it.
inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Removes every entry of folder and leaves it empty (created when missing).
void emptyFolder(const QString &folder);

} // namespace fuzz
