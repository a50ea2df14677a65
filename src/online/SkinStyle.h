#pragma once

#include <QLatin1StringView>
#include <QString>

// The background of the main window and the mini window: one style sheet on the main window whose
// selector names both frames, built here for the skin pop-up (a chosen picture) and for the main
// window's start-up (the stored picture or colour), so both write the same rule.

namespace SkinKeys {
// The per-user "configu.ini": the chosen picture's full path, and a plain colour used when no
// picture is stored.
inline constexpr QLatin1StringView kBkImage{"bk/bkimage"};
inline constexpr QLatin1StringView kBkColour{"bk/bkclr"};
} // namespace SkinKeys

// The skin pictures shipped beside the program: g_sAppDir + "/images/bkimg/" (with the "/").
QString skinFolder();

// "#mainCentralWidget,#miniWgt{...}" showing `picture` once from the top-left corner: the
// pictures are drawn for the 980 x 716 window, and the smaller mini window shows their corner
// rather than a tiling. The path is quoted, so a folder with blanks or brackets still works.
QString skinPictureStyleSheet(const QString &picture);

// The same selector with no picture and `colour` (any style-sheet colour text) as the background.
QString skinColourStyleSheet(const QString &colour);
