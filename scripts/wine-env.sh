# Sourced by the scripts that start Wine. The prefix lives in the build
# folder; the Chinese locale makes Wine's ANSI code page 936.
VESK_ROOT=${VESK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESK_BUILD=${VESK_BUILD:-$VESK_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$VESK_BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="
export LANG=zh_CN.UTF-8
# Wine takes its code page from LC_ALL. The machine need not have that
# locale, so it is given to Wine alone (bash would warn about it).
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
