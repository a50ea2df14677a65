#pragma once

// The player's audio layer: a C interface with the BASS_* names, values and behaviour the player
// relies on, over FFmpeg (decoding), libswresample (rate and layout conversion), ALSA (output),
// libcurl (network streams) and TagLib (TAGS_Read). Every function may be called from any thread;
// callbacks run on the layer's own threads. Each function sets the calling thread's error code
// (BASS_ErrorGetCode): BASS_OK after success, never BASS_OK after a failure.
//
// Positions and lengths are bytes of the channel's PCM format: the source's sample rate, its channel
// count (one or two; more are mixed down to two) and 16-bit samples. BASS_ChannelBytes2Seconds
// divides by rate x channels x 2.
//
// Devices for BASS_Init: -1 is the default ALSA device ("default", which PipeWire and PulseAudio
// desktops route to themselves); 0 is "no sound", a silent sink that consumes audio at real-time
// pace. With KVR_AUDIO_NOSOUND=1 in the environment the default device is the silent one.
// KVR_AUDIO_SPEED=<factor> (a positive number, read by BASS_Init) makes the silent device take audio
// that many times faster than real time, for tests; positions and ends stay counted in the audio.
//
// URL streams never wait for ever: see BASS_CONFIG_NET_READTIMEOUT; an open that has not finished
// after 20 s fails with BASS_ERROR_TIMEOUT, and a body without an announced length is spooled up
// to 512 MiB, where its download ends as truncated.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef DWORD HSTREAM;
typedef DWORD HSYNC;
typedef DWORD HFX;
typedef DWORD HPLUGIN;

// Error codes. 2, 6, 41 and 44 are the ones the player names in its messages.
#define BASS_OK 0
#define BASS_ERROR_FILEOPEN 2  // the file or URL could not be opened
#define BASS_ERROR_FORMAT 6    // the sample format cannot be played
#define BASS_ERROR_FILEFORM 41 // the file's format is not recognised
#define BASS_ERROR_CODEC 44    // no decoder for the file's codec
#define BASS_ERROR_MEM 60
#define BASS_ERROR_HANDLE 61  // not a live handle (never created, or freed)
#define BASS_ERROR_INIT 62    // BASS_Init has not succeeded
#define BASS_ERROR_ALREADY 63 // BASS_Init while already initialised
#define BASS_ERROR_ILLPARAM 64
#define BASS_ERROR_ILLTYPE 65  // unknown option, mode, sync, attribute or effect type
#define BASS_ERROR_DEVICE 66   // no such device
#define BASS_ERROR_DRIVER 67   // the output device could not be opened
#define BASS_ERROR_NOPLAY 68   // the channel is not playing
#define BASS_ERROR_DECODE 69   // not possible on a decode-only stream, or only possible on one
#define BASS_ERROR_POSITION 70 // position beyond the end
#define BASS_ERROR_ENDED 71    // a decode-only stream has no more data
#define BASS_ERROR_TIMEOUT 72  // the server did not answer in time
#define BASS_ERROR_BUSY 73     // a layer callback tried to free its own stream or the layer

// BASS_SetConfig / BASS_GetConfig options.
#define BASS_CONFIG_GVOL_STREAM 5      // volume of all streams, 0..10000 (default 10000), applied live
#define BASS_CONFIG_NET_TIMEOUT 11     // connect time-out of URL streams, ms (default 5000)
#define BASS_CONFIG_NET_PREBUF 15      // kept for callers; playback never waits for a pre-buffer
#define BASS_CONFIG_NET_READTIMEOUT 37 // longest wait for data of a URL stream, ms, 0 = none (default 10000)

// Stream flags.
#define BASS_STREAM_DECODE 0x1 // decode-only: read with BASS_ChannelGetData, never played
#define BASS_STREAM_STATUS 0x2 // URL streams: hand the response's header lines to the download callback

#define BASS_POS_BYTE 0

#define BASS_FILEPOS_DOWNLOAD 1 // URL stream: bytes downloaded so far; file stream: the file's size
#define BASS_FILEPOS_START 2    // the file offset the stream's data starts at (0 unless a range was honoured)

#define BASS_SYNC_END 1
#define BASS_ATTRIB_VOL 1 // channel volume, 0..1

#define BASS_FX_DX8_PARAMEQ 7

// The final download callback (buffer NULL) tells how the download ended in its length argument.
#define KVR_DOWNLOAD_TRUNCATED 0 // broke off, timed out, or the stream was freed first
#define KVR_DOWNLOAD_COMPLETE 1  // every byte of the body arrived

// Download callback of a URL stream, on the stream's download thread: every received block in file
// order; with length 0 and a buffer, the response's header lines (BASS_STREAM_STATUS) as
// zero-terminated strings ending with an empty one; and exactly once with buffer NULL when the
// download has ended or the stream is freed (length: KVR_DOWNLOAD_COMPLETE or _TRUNCATED). It is
// called only for streams that opened; BASS_StreamFree and BASS_Free return after the final call.
typedef void DOWNLOADPROC(const void *buffer, DWORD length, void *user);

// Sync callback, on the layer's sync thread. Never called after BASS_ChannelStop, BASS_StreamFree or
// BASS_Free of its channel has returned.
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void *user);

// Parameters of a BASS_FX_DX8_PARAMEQ band: a peaking filter.
typedef struct
{
    float fCenter;    // centre frequency, Hz (above 0)
    float fBandwidth; // width in semitones, 1..36
    float fGain;      // dB, -15..15
} BASS_DX8_PARAMEQ;

DWORD BASS_GetVersion(void); // high word 0x0204; KVR_AUDIO_REPORT_VERSION=<number> reports that instead
int BASS_ErrorGetCode(void);

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, const void *dsguid);
BOOL BASS_Free(void);
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option); // (DWORD)-1 on failure
HPLUGIN BASS_PluginLoad(const char *file, DWORD flags);

HSTREAM BASS_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD flags);
HSTREAM BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc, void *user);
BOOL BASS_StreamFree(HSTREAM handle);
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode); // (QWORD)-1 on failure

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);   // (QWORD)-1 on failure, 0 when unknown
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode); // (QWORD)-1 on failure
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos); // negative on failure
// Decode-only streams: fills buffer with up to length bytes of PCM; (DWORD)-1 at the end or on failure.
DWORD BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length);

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_FXSetParameters(HFX handle, const void *params);
BOOL BASS_FXGetParameters(HFX handle, void *params);

// Title, artist and album of a file stream's file: each "%TITL", "%ARTI" and "%ALBM" in fmt is
// replaced by the tag value (empty when missing), other text is copied. UTF-8; tags without an
// encoding mark are read as UTF-8 or GB18030 where they are valid as such, else as Latin-1. Returns
// an empty text when the file has none of the three values or the handle is not a file stream. The
// text stays valid until the calling thread's next TAGS_Read.
const char *TAGS_Read(DWORD handle, const char *fmt);

// Length and tags of a local file for song lists, without a stream: *seconds is what a file stream of
// it would report (BASS_ChannelGetLength through BASS_ChannelBytes2Seconds, 0 when its container does
// not know) and the text is what TAGS_Read(fmt) would return for that stream, valid until the calling
// thread's next TAGS_Read or KVR_ReadFileInfo. The file is opened once and no decoder is set up, so it
// costs a fraction of a stream and needs no BASS_Init; a file whose container opens but whose first
// frame does not decode still reports its length. NULL, with *seconds 0, where a file stream of it
// could not be created.
const char *KVR_ReadFileInfo(const char *file, const char *fmt, double *seconds);

#ifdef __cplusplus
}
#endif
