# android_usb.inf is missing beside the program. Install fails, and fails again on a second click,
# each click running all passes anew. The folder then picked holds the modem INF under both names,
# each leaving its own mark: qcmdm.inf must be the one installed.
ids=('USB\VID_05C6&PID_9018&MI_02' 'USB\VID_05C6&PID_9018&MI_03' 'USB\VID_05C6&PID_9018&MI_01')

prepare() {
  rm -f "$app_dir/android_usb.inf"
  local folder=$drive_c/drivers2 name
  mkdir -p "$folder"
  for name in qcmdm qcmsm; do
    sed "s/^HKLM,\"Software\\\\Quarvel\\\\SampleMarks\",qcmdm,,\"installed\"/HKLM,\"Software\\\\Quarvel\\\\SampleMarks\",qcmdm,,\"from-$name\"/" \
      "$source_dir/samples/qcmdm.inf" >"$folder/$name.inf"
    grep -q "\"from-$name\"" "$folder/$name.inf" || fail "could not give $name.inf its own mark"
  done
  cp "$source_dir/samples/qcser.inf" "$source_dir/samples/android_usb.inf" "$folder/"
}

search() { echo "Search for Device ID: [${1//\\/\\\\}\\n]\\n"; }

verify() {
  # Two automatic rounds (modem and serial installed, no adb INF), then the folder's three passes,
  # each with its own kind.
  local order=(0 1 0 1 0 1 2) expected=() i
  for i in "${order[@]}"; do
    expected+=("$(search "${ids[$i]}")" 'Driver Installed successfully.\n')
  done
  trace_expect_in_order "${expected[@]}"
  [ "$(trace_texts | grep -c '^Search for Device ID:')" = 7 ] || fail "expected exactly seven device searches"
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 7 ] || fail "expected exactly seven installs"
  trace_absent 'Found!' 'GetINFClass fail' 'UpdateDriverForPlugAndPlayDevices'

  # Each install on a root node of its own, each node gone before the next search.
  local installed=1
  for i in "${order[@]}"; do
    expect_devices_at "$(trace_seq 'Driver Installed successfully.\n' $installed)" "DEV ROOT\\* | hwid=${ids[$i]} | *"
    installed=$((installed + 1))
  done
  local seq
  for seq in $(awk -F'\t' 'index($2, "Search for Device ID:") == 1 { print $1 }' "$trace_log"); do
    expect_devices_at "$seq" -
  done

  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcmdm)" = from-qcmdm ] ||
    fail "the folder's qcmdm.inf was not the modem INF installed (mark: $(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcmdm))"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' adb)" = installed ] || fail "the folder's android_usb.inf was not installed"
}
