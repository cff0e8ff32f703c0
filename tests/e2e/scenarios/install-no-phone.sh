# Beside the program lie newdev.dll, setupapi.dll and comctl32.dll of our own, as a planted attack would put
# them; the capture lists those a program loaded. Windows searches a program's own folder first for a DLL
# that is not a known system DLL; Wine prefers its built-in copy, so these names are set to "native first"
# to give the planted ones the chance Windows would.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;newdev,setupapi,comctl32=n,b"
cp "$drive_c/windows/system32/rundll32.exe" "$app_dir/"
for name in newdev setupapi comctl32; do
  cp "$e2e_dir/plantdll.dll" "$app_dir/$name.dll"
  # The control: a program in that folder that loads the name plainly picks up the planted copy.
  win 'C:\quarvel\rundll32.exe' "$name.dll,Nothing" >/dev/null
  rm "$app_dir/$name.dll.loaded" 2>/dev/null || fail "the control did not load the planted $name.dll"
done
