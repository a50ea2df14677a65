#pragma once

class QColor;
class QWidget;

// Whether the windowing system blends translucent windows with what lies beneath them. Without a
// compositing manager an X server shows a translucent window's transparent pixels as black, so
// the shell's dialogs, toast and pop-ups draw opaque, without their see-through margins, there.
//
// X11: a compositing manager owns the selection "_NET_WM_CM_S<screen>". Wayland always composites.
// Any other platform (offscreen among them) is taken as compositing, so widgets keep their
// designed look. The environment variable KVR_COMPOSITOR=1 or 0 overrides the answer.
//
// The answer is asked once and kept; it is asked again after a screen is added or removed, or
// after kvrForgetCompositor(). A window keeps the form it was made with.
//
// Threads: GUI thread only.
bool kvrHasCompositor();
void kvrForgetCompositor();

// Makes `window` see-through when a compositor will blend it, opaque otherwise. Call it in the
// constructor, before the window is first shown.
void kvrSetTranslucentIfComposited(QWidget *window);

// What a half-transparent colour looks like over the player's light window background: the
// opaque colour the shell paints in its place on a window that cannot be transparent.
QColor kvrOpaqueOverWindow(const QColor &colour);
