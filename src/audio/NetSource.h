#pragma once

#include "ByteSource.h"
#include "kvraudio.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvraudio {

// The bytes behind a URL. libcurl downloads the whole body on the source's own thread at network
// speed, whatever the playback does, into an unlinked temporary file, so memory stays small for any
// file size; readers block in readAt until the bytes they want have arrived.
//
// Hostile or broken servers are bounded: no data for readTimeoutMs ends the download (truncated);
// the open (the answer's header and the bytes the decoder reads before the stream exists) fails
// with BASS_ERROR_TIMEOUT once openDeadlineMs have passed, however slowly bytes keep coming; the
// body is spooled up to its announced length, or up to spoolLimit when none was announced, and a
// body going past that ends truncated there; a header of more than 64 KiB fails the open.
//
// Threads: the download thread runs curl, writes the spool file and calls the user's download
// callback; readers (the opening thread, then the stream's decoder thread) wait in readAt; control
// threads call waitForResponse, enableCallbacks, abandon, abort and join.
// m_mutex guards the members below it and is never held while curl works or the user callback runs.
// The members above it belong to the download thread alone once it has started.
//
// Callbacks start only when the stream has opened (enableCallbacks): a URL that fails to open never
// reaches the callback, so its user value may be gone as soon as the create call returns.
class NetSource : public ByteSource
{
public:
    struct Options
    {
        std::string url;
        uint64_t offset = 0;
        bool wantHeaders = false;
        DOWNLOADPROC *proc = nullptr;
        void *user = nullptr;
        int connectTimeoutMs = 0;
        int readTimeoutMs = 0;  // 0: no limit
        int openDeadlineMs = 0; // 0: no limit
        int64_t spoolLimit = 0; // 0: no limit
    };

    explicit NetSource(Options options);
    ~NetSource() override;

    // Creates the spool file and starts the download; a BASS error code.
    int start();
    // Blocks until the server has begun a successful answer: BASS_OK, or the error that ended it
    // (BASS_ERROR_TIMEOUT at the open deadline).
    int waitForResponse();
    // The stream opened: the callback gets the header lines, what has arrived so far and the rest.
    void enableCallbacks();
    // The stream did not open: stop, and never call the callback.
    void abandon();
    // The stream is freed or the layer shuts down: stop the transfer and wake the readers.
    void abort();
    // Waits for the download thread; for an opened stream that is after the final callback.
    void join();

    int readAt(int64_t pos, uint8_t *buffer, int size) override;
    int64_t size() const override;

    int64_t downloaded() const;
    int64_t startOffset() const;
    // Why the transfer failed (a BASS error code); BASS_OK while it has not.
    int failure() const;

private:
    enum class Response
    {
        Waiting,
        Started,
        Failed
    };
    enum class Callbacks
    {
        Pending,
        Enabled,
        Abandoned
    };

    void run();
    // While the stream opens, waits for `ready` until the open deadline; past it the download is
    // stopped with BASS_ERROR_TIMEOUT and false returned. Called with m_mutex held.
    template <typename Ready> bool waitWhileOpening(std::unique_lock<std::mutex> &lock, Ready ready);
    void deliverUpTo(int64_t limit);
    bool callbacksLive() const;
    void callProc(const void *buffer, DWORD length);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static size_t onHeader(char *data, size_t size, size_t count, void *self);

    const Options m_options;
    int m_spoolFd = -1;
    std::thread m_thread;

    // Download thread only.
    void *m_easy = nullptr;
    int64_t m_spoolEnd = 0;
    int64_t m_delivered = 0;
    bool m_headersDelivered = false;
    int m_status = 0;
    std::vector<std::string> m_headerLines;
    size_t m_headerBytes = 0;
    int64_t m_spoolLimit = 0; // where the body is cut: its announced length, or the option
    std::vector<uint8_t> m_chunk;
    int64_t m_lastDataMs = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_hasOpenDeadline = false;
    std::chrono::steady_clock::time_point m_openDeadline;
    void *m_multi = nullptr; // valid while the transfer runs, for curl_multi_wakeup
    Response m_response = Response::Waiting;
    Callbacks m_callbacks = Callbacks::Pending;
    int64_t m_spooled = 0;
    int64_t m_size = -1;
    int64_t m_start = 0;
    int m_failure = BASS_OK;
    bool m_ended = false;
    bool m_aborted = false;
};

} // namespace kvraudio
