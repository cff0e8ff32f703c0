# Beside the program lie newdev.dll, setupapi.dll and comctl32.dll of our own, as a planted attack would put
# them; the capture lists those a program loaded. Windows searches a program's own folder first for a DLL
# that is not a known system DLL; Wine prefers its built-in copy, so these names are set to "native first"
# to give the planted ones the chance Windows would.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;newdev,setupapi,comctl32=n,b"
# The control is the Windows's own rundll32.exe of the program's machine (system32, or syswow64 for an i686
# program on 64-bit Windows), read from the headers: a loader of the other machine could not load the DLLs.
for control in "$drive_c"/windows/{system32,syswow64}/rundll32.exe; do
  [ "$("$source_dir/cmake/pe-machine.sh" "$control" 2>/dev/null)" != "$machine" ] || break
done
[ "$("$source_dir/cmake/pe-machine.sh" "$control")" = "$machine" ] || fail "no $machine rundll32.exe in the prefix"
cp "$control" "$app_dir/"
for name in newdev setupapi comctl32; do
  cp "$e2e_dir/plantdll.dll" "$app_dir/$name.dll"
  # The control: a program in that folder that loads the name plainly picks up the planted copy.
  win 'C:\quarvel\rundll32.exe' "$name.dll,Nothing" >/dev/null
  rm "$app_dir/$name.dll.loaded" 2>/dev/null || fail "the control did not load the planted $name.dll"
done
