# A present device of the modem INF's class carrying the ID its models section lists; the runner's
# device tree, taken before this, shows it gone after the run.
prepare() {
  setupdev create 'USB\VID_05C6&PID_9018&MI_02' 'C:\quarvel\qcmdm.inf' | grep -qx 'CREATED ROOT\\MODEM\\0000' ||
    fail "could not seed the modem device"
}
