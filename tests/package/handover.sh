# Quarvel64.exe beside Quarvel.exe, as the unpacked download holds them; the x86_64 program does the work
# (the capture: the marks in the other registry view).
cp "$(dirname "$app")/Quarvel64.exe" "$app_dir/"
