#pragma once

#include <QString>

// The one way to turn song data (names from the service, web pages or tags) into a file name.
// Lookup, rename and copy all use it, so a file is always found under the name it was saved as.
//
//  - "/", NUL and control characters become "_", so a name never leaves its folder;
//  - leading dots become "_", so a name is never hidden, "." or "..";
//  - an empty name becomes "_";
//  - a name whose UTF-8 form with the extension exceeds kMaxFileNameBytes is cut at a character
//    boundary and ends with "~" and 8 hexadecimal digits of a hash of the whole name, so two long
//    names that share their beginning still differ, and the same name always gives the same file.
//
// The extension (".mp3", ".dat", ...) is the caller's constant and is appended unchanged.
inline constexpr int kMaxFileNameBytes = 255;

QString g_safeFileName(const QString &name, const QString &extension = QString());
