# Sourced by the scripts that start Wine. The prefix lives in the build
# folder; the Chinese locale makes Wine's ANSI code page 936.
VESK_ROOT=${VESK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESK_BUILD=${VESK_BUILD:-$VESK_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$VESK_BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="
export LANG=zh_CN.UTF-8
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null  # bash itself has no such locale; Wine only needs the name
