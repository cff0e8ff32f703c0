prepare() { layout_failing_install_with_driver_folder; }

verify() {
  # Automatic install: modem and serial installed, the adb pass finds no INF. Folder install: each
  # pass with its own kind, the modem INF found under its other name.
  local id expected=()
  for id in MI_02 MI_03 MI_02 MI_03 MI_01; do
    expected+=("Search for Device ID: [USB\\\\VID_05C6&PID_9018&$id\\n]\\n" 'Driver Installed successfully.\n')
  done
  trace_expect_in_order "${expected[@]}"
  [ "$(trace_texts | grep -c '^Search for Device ID:')" = 5 ] || fail "expected exactly five device searches"
  trace_absent 'Found!' 'GetINFClass fail' 'UpdateDriverForPlugAndPlayDevices'
  # Each install on a root node carrying that pass's fallback ID and driver; none of the phone's
  # devices present when a pass starts its search.
  local marks=(qcmdm qcser qcmdm qcser adb) n=1 seq
  for id in MI_02 MI_03 MI_02 MI_03 MI_01; do
    expect_devices_at "$(trace_seq 'Driver Installed successfully.\n' $n)" \
      "DEV ROOT\* | hwid=USB\VID_05C6&PID_9018&$id | * | mark=${marks[$((n - 1))]}"
    n=$((n + 1))
  done
  for seq in $(awk -F'\t' 'index($2, "Search for Device ID:") == 1 { print $1 }' "$trace_log"); do
    expect_devices_at "$seq" -
  done
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' adb)" = installed ] || fail "the folder's android_usb.inf was not installed"
  for id in 'USB\VID_05C6&PID_9018&MI_01' 'USB\VID_05C6&PID_9018&MI_02' 'USB\VID_05C6&PID_9018&MI_03'; do
    expect_no_device "$id"
  done
}
