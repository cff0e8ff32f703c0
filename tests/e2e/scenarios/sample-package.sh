# Each sample INF installs for real on a root node carrying its hardware ID and leaves its mark on
# the node's driver key; setupdev lists, updates and removes exactly the nodes that carry an ID.
verify() {
  local inf id mark out
  for entry in 'qcmdm.inf USB\VID_05C6&PID_9018&MI_02 qcmdm' 'qcser.inf USB\VID_05C6&PID_9018&MI_03 qcser' \
               'android_usb.inf USB\VID_05C6&PID_9018&MI_01 adb'; do
    read -r inf id mark <<<"$entry"
    setupdev create "$id" "$app_dir_win\\$inf" >/dev/null || fail "setupdev create $id failed"
    out=$(setupdev update "$id" "$app_dir_win\\$inf" force) || fail "setupdev update $id failed: $out"
    # Letter case of the filter does not matter.
    out=$(setupdev list "${id,,}" | tr -d '\r')
    grep -q "^DEV ROOT\\\\.* | hwid=${id//\\/\\\\} | .* | mark=$mark\$" <<<"$out" || fail "no $mark mark on the node: $out"
    setupdev remove "$id" >/dev/null || fail "setupdev remove $id failed"
    expect_no_device "$id"
  done
  # Removing what is not there is a clear "nothing matched".
  local status=0
  setupdev remove 'USB\VID_05C6&PID_9018&MI_02' >/dev/null || status=$?
  [ $status = 1 ] || fail "removing an absent ID gave exit $status"
  # Only the named ID goes: an unrelated node stays.
  setupdev create 'ROOT\QUARVEL_UNRELATED' >/dev/null || fail "setupdev create of the unrelated node failed"
  setupdev create 'USB\VID_05C6&PID_9018&MI_02' >/dev/null || fail "setupdev create failed"
  setupdev remove 'USB\VID_05C6&PID_9018&MI_02' >/dev/null || fail "setupdev remove failed"
  setupdev list 'ROOT\QUARVEL_UNRELATED' >/dev/null || fail "the unrelated node was removed too"
  setupdev remove 'ROOT\QUARVEL_UNRELATED' >/dev/null || fail "setupdev remove of the unrelated node failed"
}
