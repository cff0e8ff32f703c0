# Quarvel64.exe beside Quarvel.exe, as the unpacked download holds them.
prepare() { cp "$(dirname "$app")/Quarvel64.exe" "$app_dir/"; }

# The x86_64 program did the work.
verify() { marks_only_in 64; }
