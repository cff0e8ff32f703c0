#!/usr/bin/env bash
# Links Wine's UI fonts to the WenQuanYi CJK font in the prefix $WINEPREFIX (both registry views),
# so that the dialog's Chinese texts render. Run it under the locale the prefix is used with:
# Wine rewrites the font links when the locale changes.
# It also copies Wine's own fonts (Debian's fonts-wine) into the prefix: this Wine looks for them beside
# its data folder, not where Debian puts them, and without Marlett the caption buttons show as "0 1 r".
set -eu
if [ -d /usr/share/wine/fonts ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
for view in 32 64; do
  for font in Tahoma "Microsoft Sans Serif" SimSun; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$font" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f /reg:$view
  done
done
