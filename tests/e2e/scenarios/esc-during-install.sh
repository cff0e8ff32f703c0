# Esc pressed while an install runs: the program blocks its window thread during a pass, so the key
# waits in the queue and is taken when the pass is over (never lost, never taken early).
prepare() { layout_failing_install_with_driver_folder; }

verify() {
  # Two programs ran one after the other: two installs by the first, two plus the folder's three
  # by the second, and none cut short.
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 7 ] || fail "expected exactly seven installs"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' adb)" = installed ] || fail "the folder's android_usb.inf was not installed"
}
