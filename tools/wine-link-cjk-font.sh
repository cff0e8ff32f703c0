#!/usr/bin/env bash
# Links Wine's UI fonts to the WenQuanYi CJK font in the prefix $WINEPREFIX (both registry views),
# so that the dialog's Chinese texts render. Run it under the locale the prefix is used with:
# Wine rewrites the font links when the locale changes.
set -eu
for view in 32 64; do
  for font in Tahoma "Microsoft Sans Serif" SimSun; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$font" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f /reg:$view
  done
done
