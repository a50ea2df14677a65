#include "NetSource.h"

#include "ThreadState.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace kvraudio {

namespace {

// Far more than any real server's header; curl itself refuses a single line of 100 KiB.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int openSpoolFile()
{
    const char *dir = std::getenv("TMPDIR");
    if (!dir || !*dir)
        dir = "/tmp";
    int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // File systems without O_TMPFILE: a named file, unlinked at once.
    std::string name = std::string(dir) + "/kvraudio-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(name.c_str());
    return fd;
}

bool writeAll(int fd, const char *data, size_t size, int64_t pos)
{
    while (size > 0) {
        ssize_t n = pwrite(fd, data, size, off_t(pos));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
        pos += n;
    }
    return true;
}

int errorFromCurl(CURLcode code)
{
    // Not CURLE_OUT_OF_MEMORY as the memory error: curl reports a header line past its limit that
    // way, and that is a server that cannot be opened, not a machine out of memory.
    return code == CURLE_OPERATION_TIMEDOUT ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEOPEN;
}

} // namespace

NetSource::NetSource(Options options)
    : m_options(std::move(options))
{
}

NetSource::~NetSource()
{
    abort();
    {
        // A source that never reached a decision must not keep its thread waiting for one.
        std::lock_guard lock(m_mutex);
        if (m_callbacks == Callbacks::Pending)
            m_callbacks = Callbacks::Abandoned;
        m_cv.notify_all();
    }
    join();
    if (m_spoolFd >= 0)
        ::close(m_spoolFd);
}

int NetSource::start()
{
    m_spoolFd = openSpoolFile();
    if (m_spoolFd < 0)
        return BASS_ERROR_MEM;
    m_chunk.resize(64 * 1024);
    m_spoolLimit = m_options.spoolLimit;
    if (m_options.openDeadlineMs > 0) {
        std::lock_guard lock(m_mutex);
        m_hasOpenDeadline = true;
        m_openDeadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(m_options.openDeadlineMs);
    }
    try {
        m_thread = std::thread(&NetSource::run, this);
    } catch (...) {
        return BASS_ERROR_MEM;
    }
    return BASS_OK;
}

template <typename Ready> bool NetSource::waitWhileOpening(std::unique_lock<std::mutex> &lock, Ready ready)
{
    if (m_callbacks != Callbacks::Pending || !m_hasOpenDeadline) {
        m_cv.wait(lock, ready);
        return true;
    }
    if (m_cv.wait_until(lock, m_openDeadline, ready))
        return true;
    if (m_failure == BASS_OK)
        m_failure = BASS_ERROR_TIMEOUT;
    m_aborted = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi));
    m_cv.notify_all();
    return false;
}

int NetSource::waitForResponse()
{
    std::unique_lock lock(m_mutex);
    if (!waitWhileOpening(lock, [this] { return m_response != Response::Waiting || m_aborted; }))
        return m_failure;
    if (m_response == Response::Started)
        return BASS_OK;
    return m_failure != BASS_OK ? m_failure : BASS_ERROR_FILEOPEN;
}

void NetSource::enableCallbacks()
{
    std::lock_guard lock(m_mutex);
    if (m_callbacks == Callbacks::Pending)
        m_callbacks = Callbacks::Enabled;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi));
    m_cv.notify_all();
}

void NetSource::abandon()
{
    std::lock_guard lock(m_mutex);
    if (m_callbacks == Callbacks::Pending)
        m_callbacks = Callbacks::Abandoned;
    m_aborted = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi));
    m_cv.notify_all();
}

void NetSource::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM *>(m_multi));
    m_cv.notify_all();
}

void NetSource::join()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

int NetSource::readAt(int64_t pos, uint8_t *buffer, int size)
{
    int64_t available;
    {
        std::unique_lock lock(m_mutex);
        // The opening thread reads here too (the decoder's probe): a server that drips its body
        // must not keep it waiting past the open deadline.
        if (!waitWhileOpening(lock, [&] { return pos < m_spooled || m_ended || m_aborted; }))
            return -1;
        if (m_aborted)
            return -1;
        if (pos >= m_spooled)
            return 0; // the download has ended: complete or not, the data ends here
        available = m_spooled - pos;
    }
    size_t want = size_t(std::min<int64_t>(size, available));
    size_t done = 0;
    while (done < want) {
        ssize_t n = pread(m_spoolFd, buffer + done, want - done, off_t(pos + int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return done > 0 ? int(done) : -1;
        done += size_t(n);
    }
    return int(done);
}

int64_t NetSource::size() const
{
    std::lock_guard lock(m_mutex);
    return m_size;
}

int64_t NetSource::downloaded() const
{
    std::lock_guard lock(m_mutex);
    return m_spooled;
}

int64_t NetSource::startOffset() const
{
    std::lock_guard lock(m_mutex);
    return m_start;
}

int NetSource::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool NetSource::callbacksLive() const
{
    std::lock_guard lock(m_mutex);
    return m_callbacks == Callbacks::Enabled && !m_aborted;
}

void NetSource::callProc(const void *buffer, DWORD length)
{
    try {
        m_options.proc(buffer, length, m_options.user);
    } catch (...) {
        // A callback's exception must not end the download thread.
    }
}

// Header lines first, then whatever was spooled before the callbacks were enabled, in file order.
void NetSource::deliverUpTo(int64_t limit)
{
    if (!m_options.proc)
        return;
    if (!m_headersDelivered) {
        m_headersDelivered = true;
        if (m_options.wantHeaders) {
            std::string block;
            for (const std::string &line : m_headerLines) {
                block += line;
                block.push_back('\0');
            }
            block.push_back('\0');
            callProc(block.data(), 0);
        }
    }
    while (m_delivered < limit && callbacksLive()) {
        int n = readAt(m_delivered, m_chunk.data(),
                       int(std::min<int64_t>(int64_t(m_chunk.size()), limit - m_delivered)));
        if (n <= 0)
            break;
        callProc(m_chunk.data(), DWORD(n));
        m_delivered += n;
    }
}

size_t NetSource::onHeader(char *data, size_t size, size_t count, void *self)
{
    auto *source = static_cast<NetSource *>(self);
    const size_t n = size * count;
    source->m_lastDataMs = nowMs();
    source->m_headerBytes += n;
    if (source->m_headerBytes > kMaxHeaderBytes) {
        std::lock_guard lock(source->m_mutex);
        if (source->m_response == Response::Waiting)
            source->m_response = Response::Failed;
        if (source->m_failure == BASS_OK)
            source->m_failure = BASS_ERROR_FILEOPEN;
        source->m_cv.notify_all();
        return 0;
    }
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new answer (after a redirect or an interim answer) replaces the lines of the last one.
        source->m_headerLines.clear();
        size_t space = line.find(' ');
        source->m_status = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    }
    if (!line.empty()) {
        source->m_headerLines.push_back(line);
        return n;
    }
    const int status = source->m_status;
    // Interim answers and redirects: curl goes on to the next answer.
    if ((status >= 100 && status < 200) || (status >= 300 && status < 400)) {
        source->m_headerBytes = 0;
        return n;
    }
    std::lock_guard lock(source->m_mutex);
    if (status >= 200 && status < 300) {
        curl_off_t length = -1;
        curl_easy_getinfo(static_cast<CURL *>(source->m_easy), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        source->m_size = length >= 0 ? int64_t(length) : -1;
        if (length >= 0)
            source->m_spoolLimit = int64_t(length);
        // Without 206 the server ignored the range and sends the file from its start.
        source->m_start = status == 206 ? int64_t(source->m_options.offset) : 0;
        source->m_response = Response::Started;
        source->m_cv.notify_all();
        return n;
    }
    source->m_response = Response::Failed;
    source->m_failure = BASS_ERROR_FILEOPEN;
    source->m_cv.notify_all();
    return 0; // stops the transfer: an error page is not the file
}

size_t NetSource::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *source = static_cast<NetSource *>(self);
    size_t n = size * count;
    if (n == 0)
        return 0;
    // Past the announced length, or the bound when none was announced: keep what fits, and let
    // the short count stop the transfer, which then ends truncated.
    const bool capped = source->m_spoolLimit > 0 && source->m_spoolEnd + int64_t(n) > source->m_spoolLimit;
    if (capped)
        n = size_t(std::max<int64_t>(0, source->m_spoolLimit - source->m_spoolEnd));
    if (n > 0 && !writeAll(source->m_spoolFd, data, n, source->m_spoolEnd))
        return 0;
    const int64_t before = source->m_spoolEnd;
    source->m_spoolEnd += int64_t(n);
    source->m_lastDataMs = nowMs();
    bool live;
    {
        std::lock_guard lock(source->m_mutex);
        source->m_spooled = source->m_spoolEnd;
        live = source->m_callbacks == Callbacks::Enabled && !source->m_aborted;
        source->m_cv.notify_all();
    }
    if (live && source->m_options.proc && n > 0) {
        source->deliverUpTo(before);
        if (source->m_delivered == before && source->callbacksLive()) {
            source->callProc(data, DWORD(n));
            source->m_delivered += int64_t(n);
        }
    }
    return capped ? 0 : n;
}

void NetSource::run()
{
    markCallbackThread(this);
    pthread_setname_np(pthread_self(), "kvr-download");

    int failure = BASS_OK;
    bool complete = false;
    CURL *easy = curl_easy_init();
    CURLM *multi = curl_multi_init();
    if (!easy || !multi) {
        failure = BASS_ERROR_MEM;
    } else {
        m_easy = easy;
        curl_easy_setopt(easy, CURLOPT_URL, m_options.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        if (m_options.connectTimeoutMs > 0)
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_options.connectTimeoutMs));
        if (m_options.offset > 0) {
            // A plain range, not a resume: a server that ignores it sends the whole file, which is
            // still playable (BASS_FILEPOS_START then says 0).
            const std::string range = std::to_string(m_options.offset) + "-";
            curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
        }
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &NetSource::onHeader);
        // Through an HTTPS proxy, the proxy's own "200 Connection established" must not pass for
        // the server's answer.
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &NetSource::onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_multi_add_handle(multi, easy);
        {
            std::lock_guard lock(m_mutex);
            m_multi = multi;
        }

        m_lastDataMs = nowMs();
        bool timedOut = false;
        bool stopped = false;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                failure = BASS_ERROR_FILEOPEN;
                break;
            }
            if (callbacksLive())
                deliverUpTo(m_spoolEnd);
            if (!running)
                break;
            {
                std::lock_guard lock(m_mutex);
                stopped = m_aborted;
            }
            if (stopped)
                break;
            int waitMs = 250;
            if (m_options.readTimeoutMs > 0) {
                const int64_t quiet = nowMs() - m_lastDataMs;
                if (quiet >= m_options.readTimeoutMs) {
                    timedOut = true;
                    break;
                }
                waitMs = int(std::min<int64_t>(waitMs, m_options.readTimeoutMs - quiet));
            }
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }

        bool finished = false;
        CURLcode result = CURLE_OK;
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                finished = true;
                result = message->data.result;
            }
        }
        bool started;
        {
            std::lock_guard lock(m_mutex);
            m_multi = nullptr;
            started = m_response == Response::Started;
        }
        complete = finished && result == CURLE_OK && started && !stopped && !timedOut;
        if (!complete && failure == BASS_OK)
            failure =
                timedOut ? BASS_ERROR_TIMEOUT : (finished ? errorFromCurl(result) : BASS_ERROR_FILEOPEN);
        curl_multi_remove_handle(multi, easy);
    }
    if (easy)
        curl_easy_cleanup(easy);
    if (multi)
        curl_multi_cleanup(multi);
    m_easy = nullptr;

    bool enabled;
    {
        std::unique_lock lock(m_mutex);
        m_ended = true;
        if (m_response == Response::Waiting)
            m_response = Response::Failed;
        if (!complete && m_failure == BASS_OK)
            m_failure = failure;
        m_cv.notify_all();
        // The opener decides whether this download belongs to a stream; until then nothing is handed out.
        m_cv.wait(lock, [this] { return m_callbacks != Callbacks::Pending; });
        enabled = m_callbacks == Callbacks::Enabled;
    }
    if (enabled && m_options.proc) {
        deliverUpTo(m_spoolEnd);
        // "Complete" only when the callback really got every byte.
        const bool handedOver = complete && m_delivered == m_spoolEnd;
        callProc(nullptr, handedOver ? KVR_DOWNLOAD_COMPLETE : KVR_DOWNLOAD_TRUNCATED);
    }
}

} // namespace kvraudio
