// Symbol export macro of the LumVisualStyle shared library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(LUMVISUALSTYLE_LIBRARY)
#define LUMVISUALSTYLE_EXPORT Q_DECL_EXPORT
#else
#define LUMVISUALSTYLE_EXPORT Q_DECL_IMPORT
#endif
