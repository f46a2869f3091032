#!/usr/bin/env bash
# Creates the Wine prefix in the build folder, with CJK font replacements
# so that Chinese text shows as glyphs and not as boxes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

marker="$WINEPREFIX/.vesk-ready"
[ -f "$marker" ] && exit 0

echo "Creating the Wine prefix in $WINEPREFIX (takes a minute the first time)"
mkdir -p "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1 || true
wineserver -w

reg="$WINEPREFIX/fonts.reg"
cjk="WenQuanYi Micro Hei"
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for f in "SimSun" "NSimSun" "SimHei" "Microsoft YaHei" "MS Shell Dlg" "MS Shell Dlg 2" \
           "Tahoma" "MS Sans Serif" "Arial" "Segoe UI" "MS UI Gothic" "PMingLiU" "MingLiU"; do
    printf '"%s"="%s"\r\n' "$f" "$cjk"
  done
  printf '\r\n'
} >"$reg"
wine regedit /S "$reg" </dev/null >/dev/null 2>&1
wineserver -w
touch "$marker"
