# DLLs planted beside the program under the names of the device-installation libraries (and the
# common controls) must never be loaded by it. Windows searches a program's own folder first for a
# DLL that is not a known system DLL; Wine by default prefers its built-in copy, so the planted
# names are set to "native first" here to give the planted files the chance Windows would give them.
planted=(newdev setupapi comctl32)

prepare() {
  local name out
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;newdev,setupapi,comctl32=n,b"
  for name in "${planted[@]}"; do
    cp "$e2e_dir/plantdll.dll" "$app_dir/$name.dll"
  done
  cp "$e2e_dir/naiveload.exe" "$app_dir/"

  # The control: a program that loads these by bare name from the same folder picks up each
  # planted copy, whose loading leaves its mark. Without this the check below would prove nothing.
  for name in "${planted[@]}"; do
    out=$(win 'C:\quarvel\naiveload.exe' "$name.dll" | tr -d '\r') || fail "the control did not load $name.dll: $out"
    [ "$out" = "LOADED C:\\quarvel\\$name.dll" ] || fail "the control loaded another $name.dll: $out"
    grep -qx 'loaded-by C:\\quarvel\\naiveload.exe' <(tr -d '\r' <"$app_dir/$name.dll.loaded") ||
      fail "the planted $name.dll left no mark when the control loaded it"
    rm -f "$app_dir/$name.dll.loaded"
  done
}

verify() {
  local name
  for name in "${planted[@]}"; do
    if [ -e "$app_dir/$name.dll.loaded" ]; then
      sed 's/^/  mark: /' "$app_dir/$name.dll.loaded" >&2
      fail "the program loaded the planted $name.dll"
    fi
  done
  # And the real libraries did the work.
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 3 ] || fail "not three installs in the trace"
  for name in qcmdm qcser adb; do
    [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "$name")" = installed ] || fail "no registry mark of $name"
  done
}
