#!/usr/bin/env bash
# Creates the Wine prefix in the build folder, with CJK font replacements
# so that Chinese text shows as glyphs and not as boxes, and with unmanaged
# windows: without a window manager (Xvfb) Wine would otherwise wait two
# seconds for every window it hides.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

marker="$WINEPREFIX/.vesk-ready-2"
[ -f "$marker" ] && exit 0

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX (takes a minute the first time)"
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
fi

reg="$WINEPREFIX/vesk-settings.reg"
cjk="WenQuanYi Micro Hei"
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for f in "SimSun" "NSimSun" "SimHei" "Microsoft YaHei" "MS Shell Dlg" "MS Shell Dlg 2" \
           "Tahoma" "MS Sans Serif" "Arial" "Segoe UI" "MS UI Gothic" "PMingLiU" "MingLiU"; do
    printf '"%s"="%s"\r\n' "$f" "$cjk"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
} >"$reg"
wine regedit /S "$reg" </dev/null >/dev/null 2>&1
wineserver -w
touch "$marker"
