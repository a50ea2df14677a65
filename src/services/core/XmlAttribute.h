#pragma once

#include <QString>

// Appends ` name="value"` to an XML text being built by hand, with the value escaped as
// QXmlStreamWriter escapes it (the player's list files have always been written by one, and are
// compared byte for byte). XML 1.0 cannot carry most control characters, not even escaped: a
// title from a damaged tag holding one would make the reader stop at that song and lose the rest
// of the file, so they are left out.
void g_appendXmlAttribute(QString &xml, const QString &name, const QString &value);
