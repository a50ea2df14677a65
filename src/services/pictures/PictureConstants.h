#pragma once

// albumPicHandler::loadAlbumPic: where the picture to show comes from.
namespace AlbumPicSource {
inline constexpr int kDefault = 0;    // the default picture
inline constexpr int kStoredFile = 1; // a stored picture file of the data folder
inline constexpr int kDownloaded = 2; // the bytes just downloaded from the picture's URL
} // namespace AlbumPicSource
