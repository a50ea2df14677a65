#!/usr/bin/env bash
# Runs one test program in a private world: a fresh temporary HOME, XDG folders, runtime
# folder and TMPDIR, the silent audio device, and (when asked) an X server or a session bus.
#   run-test.sh <display|plain> <dbus|nobus> <test program> [arguments...]
set -u
mode=$1 bus=$2
shift 2

root=$(mktemp -d "${TMPDIR:-/tmp}/kvrtest.XXXXXX")
trap 'rm -rf "$root"' EXIT
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_STATE_HOME=$HOME/.local/state
export XDG_RUNTIME_DIR=$root/runtime TMPDIR=$root/tmp
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"

export LANG=C.UTF-8 LC_ALL=C.UTF-8
export KVR_AUDIO_NOSOUND=1
# Tests must never power the machine off.
export KVR_POWEROFF_COMMAND=true
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox --disable-background-networking --disable-component-update"
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$here/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0}

cmd=("$@")
if [ "$bus" = dbus ]; then
  cmd=(dbus-run-session -- "${cmd[@]}")
fi
if [ "$mode" = display ]; then
  unset WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  cmd=(xvfb-run -a -s "-screen 0 ${KVR_XVFB_SCREEN:-1280x1024x24} -nolisten tcp" "${cmd[@]}")
else
  export QT_QPA_PLATFORM=offscreen
fi
"${cmd[@]}"
