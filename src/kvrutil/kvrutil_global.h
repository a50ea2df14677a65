#pragma once

#include <QtCore/qglobal.h>

// The upgrader compiles some of these sources into itself (KVRUTIL_STATIC) instead of
// linking the shared library, so the export macro must be able to vanish.
#if defined(KVRUTIL_STATIC)
#define KVRUTIL_EXPORT
#elif defined(KVRUTIL_LIBRARY)
#define KVRUTIL_EXPORT Q_DECL_EXPORT
#else
#define KVRUTIL_EXPORT Q_DECL_IMPORT
#endif
