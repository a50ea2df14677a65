// The decipher of every enciphered file and value: raw cipher bytes, their base64 text form and
// the caller-buffer form. Whatever it is given, enciphering the input and deciphering it again
// must give the input back.

#include "FuzzSupport.h"

#include "kvrutil/SimpleCrypt.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static SimpleCrypt crypt; // the built-in key
    const QByteArray input = fuzz::bytes(data, size);

    (void)crypt.decryptToByteArray(input);
    const QString text = QString::fromLatin1(input);
    (void)crypt.decryptToString(text);
    char buffer[512];
    (void)crypt.decryptToString(text, buffer, int(sizeof buffer));

    const QByteArray cipher = crypt.encryptToByteArray(input);
    if (crypt.decryptToByteArray(cipher) != input || crypt.lastError() != SimpleCrypt::ErrorNoError)
        std::abort();
    return 0;
}
