// The C interface: argument checks, the calling thread's error code, and hand-over to the engine.

#include "kvraudio.h"

#include "AudioDecoder.h"
#include "AudioEngine.h"
#include "AudioStream.h"
#include "FileSource.h"
#include "TagReader.h"
#include "ThreadState.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

using kvraudio::AudioEngine;
using kvraudio::AudioStream;
using kvraudio::setLastError;

namespace {

constexpr DWORD kVersion = 0x02040000;

template <typename T> T result(int error, T onSuccess, T onFailure)
{
    setLastError(error);
    return error == BASS_OK ? onSuccess : onFailure;
}

BOOL done(int error)
{
    setLastError(error);
    return error == BASS_OK ? TRUE : FALSE;
}

std::shared_ptr<AudioStream> lookup(DWORD handle, int *error)
{
    std::shared_ptr<AudioStream> stream;
    *error = AudioEngine::instance().stream(handle, &stream);
    return stream;
}

bool validEqParameters(const BASS_DX8_PARAMEQ &p)
{
    return std::isfinite(p.fCenter) && p.fCenter > 0.0f && std::isfinite(p.fBandwidth) &&
           p.fBandwidth >= 1.0f && p.fBandwidth <= 36.0f && std::isfinite(p.fGain) && p.fGain >= -15.0f &&
           p.fGain <= 15.0f;
}

// fmt with "%TITL", "%ARTI" and "%ALBM" replaced by the tag values, into `text` (left empty when the
// file has none of the three).
void formatTags(const char *fmt, const kvraudio::TagReader::Tags &tags, std::string &text)
{
    if (tags.title.empty() && tags.artist.empty() && tags.album.empty())
        return;
    for (const char *p = fmt; *p;) {
        const std::string *value = nullptr;
        if (std::strncmp(p, "%TITL", 5) == 0)
            value = &tags.title;
        else if (std::strncmp(p, "%ARTI", 5) == 0)
            value = &tags.artist;
        else if (std::strncmp(p, "%ALBM", 5) == 0)
            value = &tags.album;
        if (value) {
            text += *value;
            p += 5;
        } else {
            text.push_back(*p++);
        }
    }
}

// The text TAGS_Read and KVR_ReadFileInfo hand out, one per thread.
std::string &tagText()
{
    thread_local std::string text;
    return text;
}

} // namespace

extern "C" {

DWORD BASS_GetVersion(void)
{
    setLastError(BASS_OK);
    // Lets a whole-program test see the player refuse a layer of another version.
    if (const char *reported = std::getenv("KVR_AUDIO_REPORT_VERSION"); reported && *reported)
        return DWORD(std::strtoul(reported, nullptr, 0));
    return kVersion;
}

int BASS_ErrorGetCode(void)
{
    return kvraudio::lastError();
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *, const void *)
{
    if (flags != 0)
        return done(BASS_ERROR_ILLPARAM);
    return done(AudioEngine::instance().init(device, freq));
}

BOOL BASS_Free(void)
{
    return done(AudioEngine::instance().free());
}

BOOL BASS_SetConfig(DWORD option, DWORD value)
{
    return done(AudioEngine::instance().setConfig(option, value));
}

DWORD BASS_GetConfig(DWORD option)
{
    DWORD value = 0;
    const int error = AudioEngine::instance().config(option, &value);
    return result(error, value, DWORD(-1));
}

HPLUGIN BASS_PluginLoad(const char *file, DWORD)
{
    if (!file)
        return result<HPLUGIN>(BASS_ERROR_ILLPARAM, 0, 0);
    // FFmpeg reads wma itself; the plug-in that used to add it has nothing left to add.
    std::string name(file);
    for (char &c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (name.find("wma") == std::string::npos)
        return result<HPLUGIN>(BASS_ERROR_FILEOPEN, 0, 0);
    return result<HPLUGIN>(BASS_OK, AudioEngine::instance().newHandle(), 0);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD flags)
{
    // Streams are opened from whole files on disk only.
    if (mem || offset != 0 || length != 0 || !file)
        return result<HSTREAM>(BASS_ERROR_ILLPARAM, 0, 0);
    HSTREAM handle = 0;
    const int error =
        AudioEngine::instance().createFileStream(static_cast<const char *>(file), flags, &handle);
    return result<HSTREAM>(error, handle, 0);
}

HSTREAM BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc, void *user)
{
    HSTREAM handle = 0;
    const int error = AudioEngine::instance().createUrlStream(url, offset, flags, proc, user, &handle);
    return result<HSTREAM>(error, handle, 0);
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    return done(AudioEngine::instance().freeStream(handle));
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode)
{
    int error;
    auto stream = lookup(handle, &error);
    QWORD value = 0;
    if (stream)
        error = stream->filePosition(mode, &value);
    return result(error, value, QWORD(-1));
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    int error;
    auto stream = lookup(handle, &error);
    if (stream)
        error = stream->play(restart != FALSE);
    return done(error);
}

BOOL BASS_ChannelPause(DWORD handle)
{
    int error;
    auto stream = lookup(handle, &error);
    if (stream)
        error = stream->pause();
    return done(error);
}

BOOL BASS_ChannelStop(DWORD handle)
{
    int error;
    auto stream = lookup(handle, &error);
    if (stream)
        error = stream->stop();
    return done(error);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC *proc, void *user)
{
    if (type != BASS_SYNC_END)
        return result<HSYNC>(BASS_ERROR_ILLTYPE, 0, 0);
    if (!proc)
        return result<HSYNC>(BASS_ERROR_ILLPARAM, 0, 0);
    int error;
    auto stream = lookup(handle, &error);
    HSYNC sync = 0;
    if (stream) {
        sync = AudioEngine::instance().newHandle();
        error = stream->addSync(sync, proc, user);
    }
    return result<HSYNC>(error, sync, 0);
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    if (attrib != BASS_ATTRIB_VOL)
        return done(BASS_ERROR_ILLTYPE);
    if (!std::isfinite(value) || value < 0.0f || value > 1.0f)
        return done(BASS_ERROR_ILLPARAM);
    int error;
    auto stream = lookup(handle, &error);
    if (stream)
        error = stream->setVolume(value);
    return done(error);
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode)
{
    if (mode != BASS_POS_BYTE)
        return result<QWORD>(BASS_ERROR_ILLTYPE, 0, QWORD(-1));
    int error;
    auto stream = lookup(handle, &error);
    QWORD value = 0;
    if (stream)
        error = stream->length(&value);
    return result(error, value, QWORD(-1));
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    if (mode != BASS_POS_BYTE)
        return result<QWORD>(BASS_ERROR_ILLTYPE, 0, QWORD(-1));
    int error;
    auto stream = lookup(handle, &error);
    QWORD value = 0;
    if (stream)
        error = stream->position(&value);
    return result(error, value, QWORD(-1));
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode)
{
    if (mode != BASS_POS_BYTE)
        return done(BASS_ERROR_ILLTYPE);
    int error;
    auto stream = lookup(handle, &error);
    if (stream)
        error = stream->setPosition(pos);
    return done(error);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    int error;
    auto stream = lookup(handle, &error);
    if (!stream)
        return result(error, 0.0, -1.0);
    if (pos == QWORD(-1))
        return result(BASS_ERROR_ILLPARAM, 0.0, -1.0);
    return result(BASS_OK, stream->bytesToSeconds(pos), -1.0);
}

DWORD BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length)
{
    if (!buffer)
        return result<DWORD>(BASS_ERROR_ILLPARAM, 0, DWORD(-1));
    int error;
    auto stream = lookup(handle, &error);
    DWORD got = 0;
    if (stream)
        error = stream->getData(buffer, length, &got);
    return result(error, got, DWORD(-1));
}

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority)
{
    HFX fx = 0;
    const int error = AudioEngine::instance().addEffect(handle, type, priority, &fx);
    return result<HFX>(error, fx, 0);
}

BOOL BASS_FXSetParameters(HFX handle, const void *params)
{
    if (!params)
        return done(BASS_ERROR_ILLPARAM);
    BASS_DX8_PARAMEQ p;
    std::memcpy(&p, params, sizeof p);
    if (!validEqParameters(p))
        return done(BASS_ERROR_ILLPARAM);
    std::shared_ptr<AudioStream> stream;
    int error = AudioEngine::instance().effectStream(handle, &stream);
    if (stream)
        error = stream->setEffect(handle, p);
    return done(error);
}

BOOL BASS_FXGetParameters(HFX handle, void *params)
{
    if (!params)
        return done(BASS_ERROR_ILLPARAM);
    std::shared_ptr<AudioStream> stream;
    int error = AudioEngine::instance().effectStream(handle, &stream);
    BASS_DX8_PARAMEQ p{};
    if (stream)
        error = stream->effect(handle, &p);
    if (error == BASS_OK)
        std::memcpy(params, &p, sizeof p);
    return done(error);
}

const char *TAGS_Read(DWORD handle, const char *fmt)
{
    std::string &text = tagText();
    text.clear();
    if (!fmt)
        return text.c_str();
    std::shared_ptr<AudioStream> stream;
    if (AudioEngine::instance().stream(handle, &stream) != BASS_OK || stream->path().empty())
        return text.c_str();
    formatTags(fmt, kvraudio::TagReader::read(stream->path(), stream->formatName(), stream->codecName()),
               text);
    return text.c_str();
}

const char *KVR_ReadFileInfo(const char *file, const char *fmt, double *seconds)
{
    if (seconds)
        *seconds = 0;
    if (!file || !fmt || !seconds)
        return result<const char *>(BASS_ERROR_ILLPARAM, nullptr, nullptr);
    std::string &text = tagText();
    text.clear();
    auto source = kvraudio::FileSource::open(file);
    if (!source)
        return result<const char *>(BASS_ERROR_FILEOPEN, nullptr, nullptr);
    int error = BASS_OK;
    double length = 0;
    std::string format;
    std::string codec;
    try {
        kvraudio::AudioDecoder decoder(*source);
        error = decoder.probeLength(file, &length);
        format = decoder.formatName();
        codec = decoder.codecName();
    } catch (const std::bad_alloc &) {
        error = BASS_ERROR_MEM;
    }
    if (error != BASS_OK)
        return result<const char *>(error, nullptr, nullptr);
    formatTags(fmt, kvraudio::TagReader::read(*source, file, format, codec), text);
    *seconds = length;
    return result<const char *>(BASS_OK, text.c_str(), nullptr);
}

} // extern "C"
