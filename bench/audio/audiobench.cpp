// Cost of the audio layer, printed, never asserted:
//   1. CPU to decode a 10-minute mp3 through a decode-only stream, against `ffmpeg -i f.mp3 -f null -`
//      on the same file in the same run;
//   2. CPU while a song plays in real time on the silent device;
//   3. memory per open stream, idle and playing.
// Usage: audiobench [file.mp3]   (without a file, a 10-minute mp3 is made with the ffmpeg command)
// Build it in a release build for meaningful figures.

#include "audio/kvraudio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

double cpuSeconds(const rusage &u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double processCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return cpuSeconds(u);
}

double wallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs a command with its output thrown away; returns its CPU seconds (user + system), or -1.
double childCpu(std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int r = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (r != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return cpuSeconds(usage);
}

double decodeWithLayer(const std::string &path, double *audioSeconds)
{
    const double before = processCpu();
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (!stream)
        return -1;
    std::vector<char> buffer(64 * 1024);
    QWORD total = 0;
    for (DWORD got; (got = BASS_ChannelGetData(stream, buffer.data(), DWORD(buffer.size()))) != DWORD(-1);)
        total += got;
    const double cpu = processCpu() - before;
    *audioSeconds = BASS_ChannelBytes2Seconds(stream, total);
    BASS_StreamFree(stream);
    return cpu;
}

} // namespace

int main(int argc, char **argv)
{
    std::string path;
    std::string folder;
    if (argc > 1) {
        path = argv[1];
    } else {
        char name[] = "/tmp/audiobench-XXXXXX";
        if (!mkdtemp(name)) {
            std::perror("mkdtemp");
            return 1;
        }
        folder = name;
        path = folder + "/ten-minutes.mp3";
        std::printf("making a 10-minute stereo mp3 (pink noise and tones, 192 kbit/s)...\n");
        const double made = childCpu({"ffmpeg",
                                      "-nostdin",
                                      "-v",
                                      "error",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      "anoisesrc=d=600:c=pink:a=0.2:r=44100",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      "sine=f=330:d=600:r=44100",
                                      "-filter_complex",
                                      "amix=inputs=2",
                                      "-ac",
                                      "2",
                                      "-c:a",
                                      "libmp3lame",
                                      "-b:a",
                                      "192k",
                                      path});
        if (made < 0) {
            std::fprintf(stderr, "ffmpeg could not make the test file\n");
            return 1;
        }
    }
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "BASS_Init failed: %d\n", BASS_ErrorGetCode());
        return 1;
    }

    // 1. Decoding, best of three runs each, interleaved so both see the same machine state.
    double layer = 1e9;
    double ffmpeg = 1e9;
    double seconds = 0;
    for (int run = 0; run < 3; ++run) {
        layer = std::min(layer, decodeWithLayer(path, &seconds));
        const double f = childCpu({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
        if (f > 0)
            ffmpeg = std::min(ffmpeg, f);
    }
    std::printf("\n1. decoding %s (%.1f s of audio)\n", path.c_str(), seconds);
    std::printf("   decode-only stream:          %.3f s CPU (%.0fx real time)\n", layer, seconds / layer);
    std::printf("   ffmpeg -i f.mp3 -f null -:   %.3f s CPU\n", ffmpeg);
    std::printf("   ratio layer / ffmpeg:        %.2f (aim: 1.3 or less)\n", layer / ffmpeg);

    // 2. Real-time playback on the silent device.
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    BASS_ChannelPlay(stream, FALSE);
    std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start-up
    const double cpu0 = processCpu();
    const double wall0 = wallSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double playCpu = processCpu() - cpu0;
    const double playWall = wallSeconds() - wall0;
    std::printf("\n2. playing in real time on the silent device for %.1f s\n", playWall);
    std::printf("   CPU: %.3f s = %.2f %% of one core (aim: below 1 %%)\n", playCpu,
                100.0 * playCpu / playWall);
    BASS_StreamFree(stream);

    // 3. Memory per open stream.
    const int count = 40;
    std::vector<HSTREAM> streams;
    const long base = residentKiB();
    for (int i = 0; i < count; ++i)
        streams.push_back(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0));
    const long opened = residentKiB();
    for (HSTREAM s : streams)
        BASS_ChannelPlay(s, FALSE);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long playing = residentKiB();
    const double pcmMiB = seconds * 44100 * 4 / (1024.0 * 1024.0);
    std::printf("\n3. memory, %d streams of the %.0f-minute file (its PCM would be %.0f MiB each)\n", count,
                seconds / 60, pcmMiB);
    std::printf("   open, not playing:  %.0f KiB per stream\n", double(opened - base) / count);
    std::printf("   all playing:        %.0f KiB per stream\n", double(playing - base) / count);
    for (HSTREAM s : streams)
        BASS_StreamFree(s);
    BASS_Free();
    if (!folder.empty()) {
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }
    return 0;
}
