# Windows searches a program's own folder first for a DLL that is not a known system DLL; Wine prefers
# its built-in copy, so the planted names are set to "native first" to give them the chance Windows would.
planted=(newdev setupapi comctl32)

prepare() {
  local name
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;newdev,setupapi,comctl32=n,b"
  cp "$e2e_dir/naiveload.exe" "$app_dir/"
  for name in "${planted[@]}"; do
    cp "$e2e_dir/plantdll.dll" "$app_dir/$name.dll"
    # The control: a program loading it by bare name from that folder picks up the planted copy.
    [ "$(win 'C:\quarvel\naiveload.exe' $name.dll | tr -d '\r')" = "LOADED C:\\quarvel\\$name.dll" ] &&
      rm "$app_dir/$name.dll.loaded" || fail "the control did not load the planted $name.dll"
  done
}

verify() {
  local name
  for name in "${planted[@]}"; do
    [ ! -e "$app_dir/$name.dll.loaded" ] || fail "the program loaded the planted $name.dll: $(cat "$app_dir/$name.dll.loaded")"
  done
}
