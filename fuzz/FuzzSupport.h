#pragma once
// What the fuzz targets share: an application object, a folder of their own for the files they
// write, and the checks that end a run with a report when a property does not hold.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Creates the application object once (a QGuiApplication on the offscreen platform when Gui), and a
// scratch folder that TMPDIR points at, on a memory file system where there is one.
void Init(bool Gui);

// The scratch folder, without a trailing "/".
QString Dir();

// Writes the bytes to Dir() + "/" + Name, replacing what was there; its path.
QString WriteFile(const QString &Name, const uint8_t *Data, size_t Size);
QString WriteFile(const QString &Name, const QByteArray &Bytes);

QByteArray ReadFile(const QString &Path);

// Ends the process with a report that libFuzzer records as a crash when Condition is false.
void Check(bool Condition, const char *What);

} // namespace fuzz

// The start-up of a target that needs nothing but the application object and the scratch folder.
#define PAIRHOUND_FUZZ_INIT(Gui)                                                                             \
  extern "C" int LLVMFuzzerInitialize(int *, char ***) {                                                     \
    fuzz::Init(Gui);                                                                                         \
    return 0;                                                                                                \
  }
