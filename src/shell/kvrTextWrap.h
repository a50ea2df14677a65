#pragma once

#include <QString>

// `text` with invisible line-break opportunities (zero-width spaces) after the separators of paths
// and addresses, and inside any run of 16 characters that has none, so that a word-wrapped label
// can break a file path or a long name instead of clipping it at its edge. Prose is unchanged to
// the eye; only where the lines may break changes.
QString kvrWrapAnywhere(const QString &text);
