# Quarvel64.exe beside Quarvel.exe, as the unpacked download holds them.
prepare() { cp "$(dirname "$app")/Quarvel64.exe" "$app_dir/"; }

# Each install section ran in the 64-bit registry view alone: the x86_64 program did the work.
verify() {
  local name
  for name in qcmdm qcser adb; do
    [ "$(reg_mark $name 64)" = installed ] && [ -z "$(reg_mark $name 32)" ] ||
      fail "the mark of $name is not in the 64-bit registry view alone"
  done
}
reg_mark() { win reg query 'HKLM\Software\Quarvel\SampleMarks' /v "$1" /reg:"$2" | awk -v name="$1" '$1 == name { print $3 }'; }
