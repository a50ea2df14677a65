#pragma once

class songplayHandler;

// The download gauge of the playing network song: how much of it has arrived, in per mille of
// its expected size, read from the stream the controller plays. The main window shows it on the
// seek bar every second; once it reaches 1000 the controller completes the cache file
// (songplayHandler::netplayCacheFinishedHandler), which this function calls itself.
//
// Returns -1 when there is nothing to measure: no stream, not a network song, its cache already
// complete, or the layer cannot say. Otherwise 0..1000. While the song's size is unknown ("mp3size"
// missing, zero or smaller than the data start) the gauge reads 0 until the whole song has arrived,
// instead of dividing by that size; a size that turns out too small reads 1000, and the controller
// still promotes only a download that ended complete.
//
// The stream's data span (m_session) is updated as the layer reports it. GUI thread only.
int g_updateDownloadGauge(songplayHandler *player);
