#pragma once

#include <cstddef>
#include <string>

namespace kvraudio {

// UTF-8 for 8-bit tag text that carries no encoding mark (ID3v1, Latin-1 frames of ID3v2, RIFF
// INFO). Players on Chinese systems wrote such tags in GBK, so bytes that are not valid UTF-8 are
// read as GB18030 when they are valid as such, and only otherwise as Latin-1.
std::string legacyTextToUtf8(const char *data, size_t size);

} // namespace kvraudio
